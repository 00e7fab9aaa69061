// Drives the real Warmlink.exe: its usage box, and refreshing URLs served by
// a small HTTP server on the loopback address inside this test.
#include <winsock2.h>
#include <windows.h>
#include <wininet.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/harness.h"
#include "tests/support/win32_thread.h"

using namespace qf_test;

namespace {

std::wstring Exe() { return BinDir() + L"Warmlink.exe"; }
std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

// Answers GETs on 127.0.0.1 and remembers the request paths. Most paths get
// a small cacheable page; a few stand for servers that misbehave:
//   /slow.txt      the page, after 5 seconds
//   /missing.txt   404 Not Found
//   /moved.txt     302 to /target.txt on the same server
//   /big.txt       a 20 MB body
//   /cut.txt       announces 1,000,000 bytes, sends 1,000 and closes
// (Wine's URL Moniker wants a file extension in the path, see WINE-NOTES.)
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
            // A client that stops talking must not hold the server for ever.
            const DWORD timeoutMs = 10000;
            for (int option : {SO_RCVTIMEO, SO_SNDTIMEO})
                setsockopt(client, SOL_SOCKET, option, reinterpret_cast<const char*>(&timeoutMs), sizeof timeoutMs);
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
            Answer(client, request.substr(start, request.find(' ', start) - start));
            shutdown(client, SD_SEND);
            closesocket(client);
        }
    }

    static bool SendAll(SOCKET client, const std::string& data) {
        for (size_t sent = 0; sent < data.size();) {
            const int n = send(client, data.data() + sent, static_cast<int>(data.size() - sent), 0);
            if (n <= 0)
                return false;
            sent += static_cast<size_t>(n);
        }
        return true;
    }

    static std::string Page(const std::string& status, size_t length, const std::string& extra = "") {
        return "HTTP/1.1 " + status + "\r\nContent-Type: text/plain\r\nContent-Length: " +
               std::to_string(length) + "\r\nCache-Control: max-age=3600\r\n" + extra +
               "Connection: close\r\n\r\n";
    }

    void Answer(SOCKET client, const std::string& path) {
        if (path == "/slow.txt") {
            for (int waited = 0; waited < 5000 && !stopping_; waited += 50)
                Sleep(50);
        }
        if (path == "/missing.txt") {
            SendAll(client, Page("404 Not Found", 9) + "not here.");
        } else if (path == "/moved.txt") {
            SendAll(client, Page("302 Found", 0, "Location: /target.txt\r\n"));
        } else if (path == "/big.txt") {
            const size_t size = 20u << 20;
            std::string chunk(1u << 20, 'b');
            bool ok = SendAll(client, Page("200 OK", size));
            for (size_t sent = 0; ok && sent < size; sent += chunk.size())
                ok = SendAll(client, chunk);
        } else if (path == "/cut.txt") {
            SendAll(client, Page("200 OK", 1000000) + std::string(1000, 'c'));
        } else {
            SendAll(client, Page("200 OK", 5) + "fresh");
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

namespace {

// The value URLDownloadToCacheFileW returned, as eight hex digits; empty
// when the trace does not show it.
std::string DownloadResult(const Program& program) {
    const std::string trace = program.Trace();
    const std::string mark = "Ret  urlmon.URLDownloadToCacheFileW() retval=";
    const size_t found = trace.find(mark);
    return found == std::string::npos ? std::string() : trace.substr(found + mark.size(), 8);
}

struct DownloadCase {
    const char* what;
    std::wstring url;
    int exitCode;     // what any sound platform's answer gives; -1: the platform's call
    DWORD atLeastMs;  // the run cannot be shorter (the server waits)
};

}  // namespace

// Each case ends by itself, shows no window, and exits with 1 exactly when
// the platform's answer is a failure code. What that answer is, is the
// platform's decision; the README's table records what Wine said.
TEST_F(Warmlink, EveryDownloadEndsByItselfQuietlyWithTheSignOfTheAnswer) {
    LoopbackServer server;
    const std::wstring dir = MakeTempDir(L"warmlink");
    ASSERT_FALSE(dir.empty());
    ASSERT_TRUE(WriteFileBytes(dir + L"local.txt", "local file"));
    std::wstring fileUrl = L"file:///" + dir + L"local.txt";
    for (wchar_t& c : fileUrl)
        c = c == L'\\' ? L'/' : c;

    std::wstring deadPort;
    {
        LoopbackServer gone;
        deadPort = gone.Url(L"/gone.txt");
    }

    const DownloadCase cases[] = {
        {"malformed URL", L"http//:not a url", 1, 0},
        {"nobody listens", deadPort, 1, 0},
        {"file: URL", fileUrl, 0, 0},
        {"10,000 characters", server.Url(L"/" + std::wstring(10000 - server.Url(L"/.txt").size(), L'u') + L".txt"),
         -1, 0},
        {"answer after 5 s", server.Url(L"/slow.txt"), 0, 4900},
        {"404", server.Url(L"/missing.txt"), -1, 0},
        {"302 to the same server", server.Url(L"/moved.txt"), 0, 0},
        {"20 MB body", server.Url(L"/big.txt"), 0, 0},
        {"closed mid-body", server.Url(L"/cut.txt"), -1, 0},
    };
    for (const DownloadCase& c : cases) {
        SCOPED_TRACE(c.what);
        Program program;
        const DWORD start = GetTickCount();
        ASSERT_TRUE(program.Start(Exe(), Quoted(Exe()) + L" " + c.url, LaunchOptions{true, {}, {}}));
        size_t windowsSeen = 0;
        while (!program.WaitForExit(20) && GetTickCount() - start < 60000)
            windowsSeen = std::max(windowsSeen, WindowsOf(program.ProcessId(), nullptr).size());
        const bool ended = !program.Running();
        const DWORD elapsed = GetTickCount() - start;
        program.Kill();
        EXPECT_TRUE(ended) << "still running after 60 s";
        EXPECT_EQ(windowsSeen, 0u) << "a window showed";
        const std::string answer = DownloadResult(program);
        ASSERT_EQ(answer.size(), 8u) << "no answer of URLDownloadToCacheFileW in the trace";
        const bool failed = answer[0] >= '8';
        EXPECT_EQ(program.ExitCode(), failed ? 1u : 0u) << "answer " << answer;
        if (c.exitCode >= 0) {
            EXPECT_EQ(program.ExitCode(), static_cast<DWORD>(c.exitCode));
        }
        EXPECT_GE(elapsed, c.atLeastMs);
        std::printf("  %-24s answer %s, exit %lu, %lu ms\n", c.what, answer.c_str(),
                    static_cast<unsigned long>(program.ExitCode()), static_cast<unsigned long>(elapsed));
        DeleteUrlCacheEntryW(c.url.c_str());
    }

    const auto requests = server.Requests();
    EXPECT_NE(std::find(requests.begin(), requests.end(), "GET /target.txt"), requests.end())
        << "the redirect was not followed";
    DeleteUrlCacheEntryW(server.Url(L"/target.txt").c_str());
    RemoveTree(dir);
}
