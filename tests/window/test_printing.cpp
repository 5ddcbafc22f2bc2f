// A message printed into an enhanced metafile in this process and read back
// record by record: its lines, where they stand and which are bold.
#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

#include "tests/window/main_window_fixture.h"
#include "ui/print_window.h"
#include "ui/printing.h"

namespace {

struct Drawn {
    std::wstring text;
    int y;
    int weight;
};

struct Playback {
    std::vector<Drawn> lines;
    int weight = 0;
};

int CALLBACK record_of(HDC, HANDLETABLE*, const ENHMETARECORD* record, int, LPARAM context) {
    auto* playback = reinterpret_cast<Playback*>(context);
    if (record->iType == EMR_EXTCREATEFONTINDIRECTW) {
        auto* font = reinterpret_cast<const EMREXTCREATEFONTINDIRECTW*>(record);
        playback->weight = font->elfw.elfLogFont.lfWeight;
    } else if (record->iType == EMR_EXTTEXTOUTW) {
        auto* out = reinterpret_cast<const EMREXTTEXTOUTW*>(record);
        const auto* chars = reinterpret_cast<const wchar_t*>(reinterpret_cast<const BYTE*>(record) +
                                                              out->emrtext.offString);
        playback->lines.push_back({std::wstring(chars, out->emrtext.nChars), out->emrtext.ptlReference.y,
                                   playback->weight});
    }
    return 1;
}

TEST_F(MainWindowTest, MessagePrintsItsBoldHeaderThenItsLines) {
    ASSERT_TRUE(start_print_window(window));
    std::ofstream("m.eml", std::ios::binary)
        << "From: \"Ann Sender\" <ann@example.test>\r\nTo: bob@example.test\r\nSubject: Plans\r\n"
           "Date: Mon, 7 Dec 2026 10:00:00 +0000\r\nContent-Type: text/plain; charset=utf-8\r\n\r\n"
           "First line.\r\n\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82\r\n";
    HDC screen = GetDC(nullptr);
    HDC dc = CreateEnhMetaFileW(screen, nullptr, nullptr, nullptr);
    ReleaseDC(nullptr, screen);
    PrintJob job;
    job.dc = dc;
    job.metrics = page_metrics(GetDeviceCaps(dc, LOGPIXELSY), -12);
    job.y = job.metrics.top;
    EXPECT_EQ(print_message_file(&job, "m.eml"), 0);
    HENHMETAFILE file = CloseEnhMetaFile(dc);
    Playback playback;
    RECT whole{0, 0, 1000, 1000};
    EnumEnhMetaFile(nullptr, file, record_of, &playback, &whole);
    DeleteEnhMetaFile(file);

    std::vector<std::wstring> texts;
    for (const Drawn& d : playback.lines) texts.push_back(d.text);
    EXPECT_EQ(texts, (std::vector<std::wstring>{L"From (name): Ann Sender", L"From (e-mail): ann@example.test",
                                                L"To: bob@example.test", L"Subject: Plans",
                                                L"Sent: 2026-12-07 10:00:00 +0000", L"", L"First line.",
                                                L"\x041f\x0440\x0438\x0432\x0435\x0442", L""}));
    ASSERT_GE(playback.lines.size(), 8u);
    for (size_t i = 0; i < playback.lines.size(); i++) {
        EXPECT_EQ(playback.lines[i].weight == 700, i < 5) << i;
        if (i > 0) {
            EXPECT_EQ(playback.lines[i].y - playback.lines[i - 1].y, job.metrics.line_step) << i;
        }
    }
    EXPECT_EQ(playback.lines[0].y, job.metrics.top);
}

}  // namespace
