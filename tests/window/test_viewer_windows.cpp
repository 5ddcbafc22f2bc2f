// The viewer's window parts in this process: the browser host with a
// browser that records what it is asked and on which thread, the real host
// reaching its fallback, the site's answers, links of the preview, and the
// text loader.
#include <windows.h>

#include <mshtmdid.h>
#include <richedit.h>

#include <algorithm>
#include <initializer_list>
#include <mutex>

#include "client/main_window_ids.h"
#include "core/app_state.h"
#include "tests/window/main_window_fixture.h"
#include "ui/browser_host.h"
#include "ui/mail_commands.h"
#include "ui/text_loader.h"
#include "wingui/edit.h"

namespace {

struct Call {
    std::string what;
    DWORD thread;
};

std::mutex calls_lock;
std::vector<Call> calls;
bool fake_document = true;

void record(const std::string& what) {
    std::lock_guard<std::mutex> hold(calls_lock);
    calls.push_back({what, GetCurrentThreadId()});
}

class RecordingBrowser : public BrowserControl {
public:
    bool go_offline() override {
        record("offline");
        return true;
    }
    bool navigate(const std::wstring& address) override {
        record("navigate " + std::string(address.begin(), address.end()));
        navigated_ = true;
        return true;
    }
    bool holds_document() override { return navigated_ && fake_document; }
    void place(const RECT&) override { record("place"); }
    void close() override { record("close"); }

private:
    bool navigated_ = false;
};

BrowserControl* embed_recording(HostRecord*) { return new RecordingBrowser; }

class ViewerWindows : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        calls.clear();
        fake_document = true;
    }
    void TearDown() override {
        browser_embed_install(nullptr);
        browser_wait_install(0);
        MainWindowTest::TearDown();
    }
};

TEST_F(ViewerWindows, BrowserIsOfflineBeforeItsFirstNavigationAndOnlyOnItsThread) {
    browser_embed_install(embed_recording);
    BrowserHost* host = open_browser(window, IDC_PREVIEW);
    ASSERT_NE(host, nullptr);
    HWND host_window = browser_window(host);
    EXPECT_EQ(GetDlgCtrlID(host_window), IDC_BROWSER_HOST);
    wchar_t title[32] = {}, kind[32] = {};
    GetWindowTextW(host_window, title, 32);
    GetClassNameW(host_window, kind, 32);
    EXPECT_EQ(std::wstring(title), L"WebBrowser");
    EXPECT_EQ(std::wstring(kind), L"BASEWND");
    EXPECT_FALSE(IsWindowVisible(host_window));
    // The host tells where its browser is (message 1160).
    BrowserControl* browser = nullptr;
    SendMessageW(host_window, WM_HOST_BROWSER, 0, reinterpret_cast<LPARAM>(&browser));
    EXPECT_NE(browser, nullptr);

    EXPECT_TRUE(navigate(host, "file:C:\\Zenth Mail\\temp\\final3.tmp"));
    EXPECT_TRUE(navigate(host, "mhtml:C:\\Zenth Mail\\maildir\\inbox\\mm7.eml"));
    close_browser(host);
    std::vector<std::string> whats;
    for (const Call& c : calls)
        if (c.what != "place") whats.push_back(c.what);
    EXPECT_EQ(whats, (std::vector<std::string>{"offline", "navigate file:C:\\Zenth Mail\\temp\\final3.tmp",
                                               "navigate mhtml:C:\\Zenth Mail\\maildir\\inbox\\mm7.eml", "close"}));
    ASSERT_FALSE(calls.empty());
    for (const Call& c : calls) {
        EXPECT_EQ(c.thread, calls.front().thread) << c.what;
        EXPECT_NE(c.thread, GetCurrentThreadId()) << c.what;
    }
}

TEST_F(ViewerWindows, NavigationWithoutADocumentEndsWithinItsBound) {
    browser_embed_install(embed_recording);
    browser_wait_install(300);
    fake_document = false;
    BrowserHost* host = open_browser(window, IDC_PREVIEW);
    ASSERT_NE(host, nullptr);
    DWORD start = GetTickCount();
    EXPECT_FALSE(navigate(host, "file:C:\\x\\temp\\final1.tmp"));
    // Bounded: well before the bound plus the host's own margin.
    EXPECT_LT(GetTickCount() - start, 2300u);
    close_browser(host);
}

TEST_F(ViewerWindows, SystemBrowserWithoutAnEngineGivesNoHost) {
    // Wine has no HTML engine: the host reports none, at once, and leaves
    // no window behind; the viewer then shows text.
    BrowserHost* host = open_browser(window, IDC_PREVIEW);
    if (host) {
        GTEST_SKIP() << "this system has an HTML engine";
    }
    EXPECT_EQ(GetDlgItem(window, IDC_BROWSER_HOST), nullptr);
}

TEST_F(ViewerWindows, SiteAnswersAndItsDownloadControl) {
    HostRecord record;
    IDispatch* ambient = nullptr;
    ASSERT_EQ(record.site.QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&ambient)), S_OK);
    VARIANT result;
    VariantInit(&result);
    DISPPARAMS none{};
    ASSERT_EQ(ambient->Invoke(DISPID_AMBIENT_DLCONTROL, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr,
                              nullptr),
              S_OK);
    ASSERT_EQ(result.vt, VT_I4);
    const long flags = result.lVal;
    for (long off : std::initializer_list<long>{DLCTL_DLIMAGES, DLCTL_VIDEOS, DLCTL_BGSOUNDS}) EXPECT_EQ(flags & off, 0) << off;
    for (long on : std::initializer_list<long>{DLCTL_NO_SCRIPTS, DLCTL_NO_JAVA, DLCTL_NO_RUNACTIVEXCTLS, DLCTL_NO_DLACTIVEXCTLS,
                    DLCTL_NO_FRAMEDOWNLOAD, static_cast<long>(DLCTL_FORCEOFFLINE)})
        EXPECT_EQ(flags & on, on) << on;
    EXPECT_EQ(ambient->Invoke(DISPID_AMBIENT_USERAGENT, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr,
                              nullptr),
              DISP_E_MEMBERNOTFOUND);

    void* face = nullptr;
    EXPECT_EQ(record.site.QueryInterface(IID_IOleInPlaceSite, &face), S_OK);
    EXPECT_EQ(face, static_cast<IOleInPlaceSite*>(&record.site));
    EXPECT_EQ(record.site.QueryInterface(IID_IOleClientSite, &face), S_OK);
    EXPECT_EQ(face, static_cast<IOleClientSite*>(&record.site));
    EXPECT_EQ(record.site.QueryInterface(IID_IStorage, &face), E_NOINTERFACE);
    EXPECT_EQ(face, nullptr);
    IOleContainer* container = reinterpret_cast<IOleContainer*>(1);
    EXPECT_EQ(record.site.GetContainer(&container), E_NOINTERFACE);
    EXPECT_EQ(container, nullptr);
    EXPECT_EQ(record.storage.SetClass(CLSID_NULL), S_OK);
    EXPECT_EQ(record.storage.Commit(0), E_NOTIMPL);
    EXPECT_EQ(record.frame.SetStatusText(L"x"), S_OK);
    EXPECT_EQ(record.frame.TranslateAccelerator(nullptr, 0), E_NOTIMPL);
}

void click_link(HWND window, UINT mouse, LONG first, LONG last) {
    ENLINK link{};
    link.nmhdr.hwndFrom = GetDlgItem(window, IDC_PREVIEW);
    link.nmhdr.idFrom = IDC_PREVIEW;
    link.nmhdr.code = EN_LINK;
    link.msg = mouse;
    link.chrg = {first, last};
    open_preview_link(window, &link);
}

TEST_F(ViewerWindows, LinksOpenOnAClickAndOnlyForTheWebAndMail) {
    set_pane_text(item(IDC_PREVIEW), "see http://example.test/a?b=1 or file:c:\\evil.exe or mailto:x@example.test");
    click_link(window, WM_MOUSEMOVE, 4, 29);
    click_link(window, WM_LBUTTONDOWN, 4, 29);
    EXPECT_TRUE(shell_opened.empty());
    click_link(window, WM_LBUTTONUP, 4, 29);
    click_link(window, WM_LBUTTONUP, 33, 49);
    click_link(window, WM_LBUTTONUP, 53, 74);
    ASSERT_EQ(shell_opened.size(), 2u);
    EXPECT_EQ(shell_opened[0].substr(0, shell_opened[0].find('|')), "http://example.test/a?b=1");
    EXPECT_EQ(shell_opened[1].substr(0, shell_opened[1].find('|')), "mailto:x@example.test");
}

TEST_F(ViewerWindows, TextLoaderTakesLongTextsAndCodePages) {
    HWND pane = item(IDC_PREVIEW);
    std::string line(98, 'x');
    line += "\r\n";
    std::string text;
    for (int i = 0; i < 5000; i++) text += line;
    FILE* f = std::fopen("long.txt", "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
    ASSERT_TRUE(load_text_file(pane, "long.txt", 28591, "Lead \xC3\xA9\r\n"));
    EXPECT_EQ(window_text_wide(item(IDC_PREVIEW)).size(), text.size() + 8);
    EXPECT_EQ(window_text_wide(item(IDC_PREVIEW)).substr(0, 8), L"Lead \x00E9\r\n");
    f = std::fopen("greek.txt", "wb");
    std::fputs("\xE1\xE2\xE3", f);  // alpha, beta, gamma in iso-8859-7
    std::fclose(f);
    ASSERT_TRUE(load_text_file(item(IDC_PREVIEW), "greek.txt", 28597, ""));
    EXPECT_EQ(window_text_wide(item(IDC_PREVIEW)), L"\x03B1\x03B2\x03B3");
    EXPECT_FALSE(load_text_file(item(IDC_PREVIEW), "missing.txt", 28591, "lead"));
    EXPECT_EQ(window_text_wide(item(IDC_PREVIEW)), L"");
}

}  // namespace

namespace {

TEST_F(ViewerWindows, LongTextsAreReplacedQuicklyAndLongParagraphsBroken) {
    HWND pane = item(IDC_PREVIEW);
    const LRESULT events = SendMessageW(pane, EM_GETEVENTMASK, 0, 0) | ENM_LINK;
    SendMessageW(pane, EM_SETEVENTMASK, 0, events);
    std::string text;
    for (int i = 0; i < 5000; i++) text += std::string(98, 'x') + "\r\n";
    pane = set_pane_text(pane, text);
    // Made anew for the next text, with its number, place, links and limit.
    HWND renewed = set_pane_text(pane, "short");
    EXPECT_NE(renewed, pane);
    EXPECT_EQ(item(IDC_PREVIEW), renewed);
    EXPECT_FALSE(IsWindow(pane));
    EXPECT_EQ(window_text_wide(renewed), L"short");
    EXPECT_EQ(SendMessageW(renewed, EM_GETEVENTMASK, 0, 0), events);
    EXPECT_GE(SendMessageW(renewed, EM_GETLIMITTEXT, 0, 0), static_cast<LRESULT>(text.size()));
    // A paragraph of 5,000 characters: broken at its last space before 2,000.
    std::string words;
    for (int i = 0; i < 500; i++) words += "word_word ";
    renewed = set_pane_text(renewed, words);
    std::wstring shown = window_text_wide(renewed);
    ASSERT_GT(shown.size(), 2000u);
    EXPECT_EQ(shown.substr(1999, 2), L"\r\n") << "the first break";
    EXPECT_EQ(shown.find(L"\r\n"), 1999u);
    EXPECT_EQ(std::count(shown.begin(), shown.end(), L'\n'), 2);
}

}  // namespace
