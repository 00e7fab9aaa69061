// Drives the real Warmlink.exe: its usage box, and refreshing URLs served by
// a small HTTP server on the loopback address inside this test.
#include <winsock2.h>
#include <windows.h>
#include <wininet.h>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/harness.h"
#include "tests/support/win32_thread.h"

using namespace qf_test;

namespace {

std::wstring Exe() { return BinDir() + L"Warmlink.exe"; }
std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

// Answers every GET on 127.0.0.1 with a small cacheable page and remembers
// the request paths.
class LoopbackServer {
public:
    LoopbackServer() {
        WSADATA wsa;
        WSAStartup(MAKEWORD(2, 2), &wsa);
        listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in addr = {};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        int len = sizeof addr;
        getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
        listen(listener_, 8);
        thread_ = std::make_unique<Thread>([this] { Serve(); });
    }
    ~LoopbackServer() {
        stopping_ = true;
        closesocket(listener_);
        thread_->Join();
        WSACleanup();
    }
    std::wstring Url(const std::wstring& path) const {
        return L"http://127.0.0.1:" + std::to_wstring(port_) + path;
    }
    std::vector<std::string> Requests() {
        Lock::Hold hold(lock_);
        return requests_;
    }

private:
    void Serve() {
        while (!stopping_) {
            SOCKET client = accept(listener_, nullptr, nullptr);
            if (client == INVALID_SOCKET)
                return;
            std::string request;
            char buffer[2048];
            int got;
            while (request.find("\r\n\r\n") == std::string::npos &&
                   (got = recv(client, buffer, sizeof buffer, 0)) > 0)
                request.append(buffer, got);
            const size_t start = request.find(' ') + 1;
            {
                Lock::Hold hold(lock_);
                requests_.push_back(request.substr(0, request.find(' ', start)));
            }
            const std::string reply =
                "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 5\r\n"
                "Cache-Control: max-age=3600\r\nConnection: close\r\n\r\nfresh";
            send(client, reply.data(), static_cast<int>(reply.size()), 0);
            shutdown(client, SD_SEND);
            closesocket(client);
        }
    }

    SOCKET listener_ = INVALID_SOCKET;
    unsigned short port_ = 0;
    std::atomic<bool> stopping_{false};
    std::unique_ptr<Thread> thread_;
    Lock lock_;
    std::vector<std::string> requests_;
};

bool InCache(const std::wstring& url) {
    DWORD size = 0;
    GetUrlCacheEntryInfoW(url.c_str(), nullptr, &size);
    std::vector<BYTE> buffer(size ? size : 1);
    auto* info = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(buffer.data());
    return size && GetUrlCacheEntryInfoW(url.c_str(), info, &size) &&
           GetFileAttributesW(info->lpszLocalFileName) != INVALID_FILE_ATTRIBUTES;
}

std::wstring ChildText(HWND parent, const wchar_t* className) {
    HWND child = FindWindowExW(parent, nullptr, className, nullptr);
    while (child) {
        wchar_t text[512] = {};
        GetWindowTextW(child, text, 512);
        if (text[0])
            return text;
        child = FindWindowExW(parent, child, className, nullptr);
    }
    return {};
}

class Warmlink : public testing::Test {
protected:
    static void SetUpTestSuite() {
        SetRelayInclude({L"wininet.DeleteUrlCacheEntryW", L"urlmon.URLDownloadToCacheFileW",
                         L"user32.MessageBoxW"});
    }
};

}  // namespace

TEST_F(Warmlink, WithoutAUrlShowsItsUsageBoxAndExitsWithOne) {
    for (const wchar_t* tail : {L"", L"   ", L" \t "}) {
        SCOPED_TRACE(Narrow(std::wstring(L"tail [") + tail + L"]"));
        Program program;
        ASSERT_TRUE(program.Start(Exe(), Quoted(Exe()) + tail, LaunchOptions{true, {}, {}}));
        HWND box = program.WaitForWindow(L"#32770", 15000, L"Warmlink");
        ASSERT_NE(box, nullptr) << "no usage box";
        EXPECT_EQ(ChildText(box, L"Static"), L"Usage: Warmlink.exe [URL TO TOUCH]");
        // MB_OK: one button, OK, and no icon.
        HWND ok = GetDlgItem(box, IDOK);
        ASSERT_NE(ok, nullptr);
        EXPECT_EQ(FindWindowExW(box, ok, L"Button", nullptr), nullptr);
        EXPECT_FALSE(program.WaitForExit(300)) << "the box waits for the user";
        PostMessageW(ok, BM_CLICK, 0, 0);
        ASSERT_TRUE(program.WaitForExit(15000));
        EXPECT_EQ(program.ExitCode(), 1u);
        const auto calls = program.Calls();
        EXPECT_EQ(IndexOf(calls, "DeleteUrlCacheEntryW"), -1);
        EXPECT_EQ(IndexOf(calls, "URLDownloadToCacheFileW"), -1);
        const auto boxes = ArgsOf(calls, "MessageBoxW");
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_NE(boxes[0].find("L\"Warmlink\",00000000"), std::string::npos) << "caption, MB_OK: " << boxes[0];
    }
}

TEST_F(Warmlink, RefreshesAUrlIntoTheCacheQuietly) {
    LoopbackServer server;
    const std::wstring url = server.Url(L"/page.txt");
    const std::string narrowUrl = Narrow(url);

    RunResult first = RunProgram(Exe(), Quoted(Exe()) + L" " + url, LaunchOptions{true, {}, {}});
    ASSERT_TRUE(first.exited);
    EXPECT_EQ(first.exitCode, 0u);
    EXPECT_TRUE(InCache(url));
    EXPECT_EQ(IndexOf(first.calls, "MessageBoxW"), -1) << "success shows nothing";

    // The entry is dropped first, then downloaded with no caller, a 260-unit
    // buffer, reserved 0 and no callback.
    const int drop = IndexOf(first.calls, "DeleteUrlCacheEntryW");
    const int load = IndexOf(first.calls, "URLDownloadToCacheFileW");
    ASSERT_GE(drop, 0);
    ASSERT_GT(load, drop);
    EXPECT_NE(first.calls[drop].args.find("L\"" + narrowUrl + "\""), std::string::npos);
    const std::string& args = first.calls[load].args;
    EXPECT_EQ(args.rfind("00000000,", 0), 0u) << args;
    EXPECT_NE(args.find("L\"" + narrowUrl + "\","), std::string::npos) << args;
    EXPECT_EQ(args.substr(args.size() - 27), ",00000104,00000000,00000000") << args;

    // A second run downloads again instead of answering from the cache.
    RunResult second = RunProgram(Exe(), Quoted(Exe()) + L" " + url, LaunchOptions{false, {}, {}});
    ASSERT_TRUE(second.exited);
    EXPECT_EQ(second.exitCode, 0u);
    EXPECT_EQ(server.Requests(), (std::vector<std::string>{"GET /page.txt", "GET /page.txt"}));
    EXPECT_TRUE(InCache(url));
}

TEST_F(Warmlink, AFailedDownloadExitsWithOneAndShowsNothing) {
    // A port that nobody listens on any more.
    std::wstring url;
    {
        LoopbackServer gone;
        url = gone.Url(L"/gone");
    }

    for (const std::wstring& tail : {url, std::wstring(L"not a url at all")}) {
        SCOPED_TRACE(Narrow(tail));
        RunResult r = RunProgram(Exe(), Quoted(Exe()) + L" " + tail, LaunchOptions{true, {}, {}});
        ASSERT_TRUE(r.exited);
        EXPECT_EQ(r.exitCode, 1u);
        EXPECT_EQ(IndexOf(r.calls, "MessageBoxW"), -1);
        // A URL that was never cached is still downloaded after the failed deletion.
        EXPECT_GE(IndexOf(r.calls, "URLDownloadToCacheFileW"), 0);
    }
}

TEST_F(Warmlink, TheWholeTailIsTheUrlQuotesAndBlanksIncluded) {
    LoopbackServer server;
    const std::wstring url = server.Url(L"/a");
    for (const std::wstring& tail : {L"\"" + url + L"\"", url + L" " + server.Url(L"/b")}) {
        SCOPED_TRACE(Narrow(tail));
        RunResult r = RunProgram(Exe(), Quoted(Exe()) + L"  " + tail, LaunchOptions{true, {}, {}});
        ASSERT_TRUE(r.exited);
        const auto drops = ArgsOf(r.calls, "DeleteUrlCacheEntryW");
        ASSERT_EQ(drops.size(), 1u);
        std::string expected = Narrow(tail);
        for (size_t at = 0; (at = expected.find('"', at)) != std::string::npos; at += 2)
            expected.insert(at, "\\");  // the trace escapes quotes
        // The trace shows a string argument as its address and L"text".
        const std::string shown = " L\"" + expected + "\"";
        ASSERT_GE(drops[0].size(), shown.size());
        EXPECT_EQ(drops[0].substr(drops[0].size() - shown.size()), shown);
    }
}
