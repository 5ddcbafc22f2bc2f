#include "ui/printing.h"

#include <richedit.h>

#include <atomic>
#include <string>

#include "client/settings_platform.h"
#include "client/settings_platform_win32.h"
#include "core/settings.h"
#include "core/ui_services.h"
#include "format/address_list.h"
#include "format/charsets.h"
#include "format/message_display.h"
#include "store/message_summary.h"
#include "ui/print_window.h"
#include "ui/printer.h"
#include "ui/text_loader.h"

namespace {

std::atomic<bool> printing{false};

// The spooler may take a while: the windows go on answering. A quit taken
// here is given back, so that Exit still ends the client.
BOOL CALLBACK keep_answering(HDC, int) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return TRUE;
}

void fail_job(PrintJob* job) {
    AbortDoc(job->dc);
    DeleteDC(job->dc);
    job->dc = nullptr;
    show_message("Printing failed!");
}

void print_line(PrintJob* job, const std::u16string& text, const PlannedLine& place) {
    FontRecord record = settings_font_record(PRINTER_FONT);
    LOGFONTW font{};
    font.lfHeight = -job->metrics.char_height;
    font.lfWeight = place.bold ? 700 : record.weight;
    font.lfItalic = record.italic;
    font.lfCharSet = record.char_set;
    MultiByteToWideChar(CP_ACP, 0, record.face_name, -1, font.lfFaceName, LF_FACESIZE);
    HFONT made = CreateFontIndirectW(&font);
    HGDIOBJ old = SelectObject(job->dc, made);
    TextOutW(job->dc, job->metrics.left, place.y, reinterpret_cast<const wchar_t*>(text.c_str()),
             static_cast<int>(text.size()));
    SelectObject(job->dc, old);
    DeleteObject(made);
    if (place.page_after && (EndPage(job->dc) <= 0 || StartPage(job->dc) <= 0)) job->failed = true;
}

void print_lines(PrintJob* job) {
    HWND control = print_control();
    LRESULT count = SendMessageW(control, EM_GETLINECOUNT, 0, 0);
    std::vector<std::u16string> lines;
    for (LRESULT i = 0; i < count; i++) {
        // EM_GETLINE takes the room in its first word and ends nothing.
        wchar_t line[150] = {};
        line[0] = 149;
        LRESULT got = SendMessageW(control, EM_GETLINE, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(line));
        std::u16string text(reinterpret_cast<const char16_t*>(line), static_cast<size_t>(got > 0 ? (got > 149 ? 149 : got) : 0));
        lines.push_back(text.substr(0, text.find_first_of(u"\r\n")));
    }
    std::vector<PlannedLine> places = plan_lines(job->metrics, &job->y, lines);
    for (size_t i = 0; i < lines.size() && !job->failed; i++) print_line(job, lines[i], places[i]);
}

bool load_for_printing(const char* path, const std::string& lead) {
    HWND control = print_control();
    if (!control) return false;
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(settings_font(PRINTER_FONT)), FALSE);
    DisplayRequest request;
    request.path = path;
    request.window = GetParent(control);
    request.text_only = true;
    DisplayResult result;
    display_result_init(&result);
    bool loaded = prepare_display(&request, &result) == 0 &&
                  load_text_file(control, result.shown_path->text, result.code_page, lead);
    display_result_release(&result);
    return loaded;
}

}  // namespace

bool open_print_job(PrintJob* job) {
    *job = PrintJob{};
    job->dc = open_printer_for_measuring();
    if (!job->dc) return false;
    if (SetAbortProc(job->dc, keep_answering) <= 0) {
        show_message("Error setting up AbortProc");
        DeleteDC(job->dc);
        job->dc = nullptr;
        return false;
    }
    SetTextAlign(job->dc, TA_LEFT | TA_TOP);
    SetTextColor(job->dc, RGB(0, 0, 0));
    DOCINFOW document{};
    document.cbSize = sizeof document;
    document.lpszDocName = L"Document";
    if (StartDocW(job->dc, &document) <= 0) {
        fail_job(job);
        return false;
    }
    if (StartPage(job->dc) <= 0) {
        fail_job(job);
        return false;
    }
    job->metrics = page_metrics(GetDeviceCaps(job->dc, LOGPIXELSY), settings_font_record(PRINTER_FONT).height);
    job->y = job->metrics.top;
    return true;
}

void close_print_job(PrintJob* job) {
    if (!job->dc) return;
    if (job->failed || EndPage(job->dc) <= 0 || EndDoc(job->dc) <= 0) {
        fail_job(job);
        return;
    }
    DeleteDC(job->dc);
    job->dc = nullptr;
}

bool printable(const char* path) {
    DisplayRequest request;
    request.path = path;
    request.window = GetParent(print_control());
    request.text_only = true;
    DisplayResult result;
    display_result_init(&result);
    bool ok = prepare_display(&request, &result) == 0;
    display_result_release(&result);
    return ok;
}

int print_message_file(PrintJob* job, const char* path) {
    if (!printable(path)) return -1;
    MessageSummary* summary = summary_new();
    if (read_summary(0, summary, path) == SUMMARY_UNREADABLE) {
        summary_delete(summary);
        show_message("Problems were encountered reading the email header - printing cancelled!");
        return -2;
    }
    Array* joined = array_new(12632);
    if (join_list(summary->recipients, joined, 100, 12631) != 0) show_message("Recipient string exceeds capacity.");
    std::string block = print_header_block(
        raw_header_text_to_utf8(summary->from_name->text), raw_header_text_to_utf8(summary->from_address->text),
        raw_header_text_to_utf8(joined->text), raw_header_text_to_utf8(summary->subject->text),
        raw_header_text_to_utf8(summary->date->text));
    delete_arrays(joined);
    summary_delete(summary);
    if (!load_for_printing(path, block)) return -1;
    SendMessageW(print_control(), EM_SETSEL, 0, 0);
    print_lines(job);
    return 0;
}

bool print_files(const std::vector<std::string>& paths) {
    if (printing.exchange(true)) return false;
    PrintJob job;
    bool done = open_print_job(&job);
    if (done) {
        for (const std::string& path : paths) {
            print_message_file(&job, path.c_str());
            job.y += job.metrics.message_gap;
            if (job.failed) break;
        }
        done = !job.failed;
        close_print_job(&job);
    }
    printing = false;
    return done;
}
