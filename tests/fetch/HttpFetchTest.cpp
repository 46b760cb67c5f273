// Fetches against a real HTTP server on 127.0.0.1, started per test.
#include "fetch/CommandLineFetch.h"
#include "fetch/HttpRequestClient.h"
#include "fetch/UrlCommand.h"
#include "fetch/UrlFetch.h"
#include "FetchTestHelpers.h"

#include <httplib.h>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <thread>

namespace tess {
namespace {

using test::gb;
using test::gzipBytes;
using Clock = std::chrono::steady_clock;

struct SeenRequest {
    std::string method;
    std::string target;
    std::string body;
    httplib::Headers headers;
    std::string header(const std::string& name) const
    {
        auto it = headers.find(name);
        return it == headers.end() ? std::string("<none>") : it->second;
    }
    // The names the client sent, sorted, without the server's own address entries.
    std::string headerNames() const
    {
        std::set<std::string> names;
        for (const auto& [name, value] : headers)
            if (name.find('_') == std::string::npos) // REMOTE_ADDR, LOCAL_PORT, ...
                names.insert(name);
        std::string out;
        for (const std::string& name : names)
            out += (out.empty() ? "" : ",") + name;
        return out;
    }
};

class HttpFetch : public ::testing::Test {
protected:
    void SetUp() override
    {
        // After routing the request body has been read.
        m_server.set_post_routing_handler([this](const httplib::Request& req, httplib::Response&) {
            std::lock_guard lock(m_mutex);
            m_seen.push_back({req.method, req.target, req.body, req.headers});
        });
        m_port = m_server.bind_to_any_port("127.0.0.1");
        ASSERT_GT(m_port, 0);
    }

    void start()
    {
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
        // The socket is already listening; connections queue until the loop accepts them.
    }

    void TearDown() override
    {
        m_server.stop();
        if (m_thread.joinable())
            m_thread.join();
    }

    std::string url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(m_port) + path; }

    std::vector<SeenRequest> seen()
    {
        std::lock_guard lock(m_mutex);
        return m_seen;
    }

    static FetchOptions quick()
    {
        FetchOptions options;
        options.pauseMs = 40;
        options.timeoutSeconds = 5;
        return options;
    }

    UrlFetchResult fetch(const std::string& clipboard, FetchEncoding encoding = FetchEncoding::Auto)
    {
        return fetchUrlText(clipboard, encoding, quick());
    }

    httplib::Server m_server;
    int m_port = 0;
    std::thread m_thread;
    std::mutex m_mutex;
    std::vector<SeenRequest> m_seen;
};

TEST_F(HttpFetch, GetSendsExactlyTheFixedRequest)
{
    m_server.Get("/data.json", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("{\"a\":1}", "application/json");
    });
    start();
    const UrlFetchResult r = fetch(url("/data.json?x=1"));
    EXPECT_EQ(r.status, FetchStatus::Ok);
    EXPECT_EQ(r.text, "{\"a\":1}");
    const auto requests = seen();
    ASSERT_EQ(requests.size(), 1u);
    const SeenRequest& q = requests[0];
    EXPECT_EQ(q.method, "GET");
    EXPECT_EQ(q.target, "/data.json?x=1");
    EXPECT_EQ(q.body, "");
    EXPECT_EQ(q.header("Referer"), url("/data.json?x=1"));
    EXPECT_EQ(q.header("Content-Type"), kFetchContentType);
    EXPECT_EQ(q.header("User-Agent"), kFetchUserAgent);
    // Nothing else: no Accept, Accept-Encoding, Cookie or Expect added by the library.
    EXPECT_EQ(q.headerNames(), "Content-Type,Host,Referer,User-Agent");
}

TEST_F(HttpFetch, NonAsciiHostNameResolvesWhateverTheLocale)
{
    // The test process never sets its locale (it runs in "C"); names under .localhost are
    // loopback names, so the request reaches this server.
    m_server.Get("/doc", [](const httplib::Request&, httplib::Response& res) { res.set_content("[1]", "text/plain"); });
    start();
    const UrlFetchResult r = fetch(gb("http://例子.localhost:") + std::to_string(m_port) + "/doc");
    EXPECT_EQ(r.text, "[1]");
    const auto requests = seen();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].header("Host"), "xn--fsqu00a.localhost:" + std::to_string(m_port));
}

TEST_F(HttpFetch, BarSelectsPostOrGet)
{
    m_server.Post("/p", [](const httplib::Request& req, httplib::Response& res) {
        res.set_content("{\"got\":\"" + req.body + "\"}", "application/json");
    });
    m_server.Get("/p", [](const httplib::Request&, httplib::Response& res) { res.set_content("{\"get\":1}", "text/plain"); });
    start();
    const UrlFetchResult post = fetch(url("/p") + "|a=1&b=2|dropped");
    EXPECT_EQ(post.text, "{\"got\":\"a=1&b=2\"}");
    const UrlFetchResult lone = fetch(url("/p") + "|");
    EXPECT_EQ(lone.text, "{\"get\":1}");
    const auto requests = seen();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].body, "a=1&b=2");
    EXPECT_EQ(requests[0].header("Content-Type"), kFetchContentType);
    EXPECT_EQ(requests[0].headerNames(), "Content-Length,Content-Type,Host,Referer,User-Agent");
    EXPECT_EQ(requests[0].header("Referer"), url("/p"));
    EXPECT_EQ(requests[1].method, "GET");
}

TEST_F(HttpFetch, FragmentCaseAndMissingScheme)
{
    m_server.Get("/f", [](const httplib::Request&, httplib::Response& res) { res.set_content("[1]", "text/plain"); });
    start();
    EXPECT_EQ(fetch(url("/f") + "#part").text, "[1]");
    const std::string upper = "HTTP://127.0.0.1:" + std::to_string(m_port) + "/f";
    EXPECT_EQ(fetch(upper).text, "[1]");
    const std::string bare = gb("　 127.0.0.1:") + std::to_string(m_port) + "/f ";
    EXPECT_EQ(fetch(bare).text, "[1]");
    const auto requests = seen();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].target, "/f");
    EXPECT_EQ(requests[0].header("Referer"), url("/f") + "#part");
    EXPECT_EQ(requests[1].target, "/f");
    EXPECT_EQ(requests[1].header("Referer"), upper);
    EXPECT_EQ(requests[2].header("Referer"), url("/f"));
}

TEST_F(HttpFetch, HttpRedirectFollowedOnlyToHttp)
{
    m_server.Get("/old", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/new", 302); });
    m_server.Get("/new", [](const httplib::Request&, httplib::Response& res) { res.set_content("{\"new\":1}", "text/plain"); });
    m_server.Get("/file", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("file:///etc/hostname", 302); });
    m_server.Get("/missing", [](const httplib::Request&, httplib::Response& res) {
        res.status = 404;
        res.set_content("{\"error\":404}", "text/plain");
    });
    start();
    EXPECT_EQ(fetch(url("/old")).text, "{\"new\":1}");
    const UrlFetchResult file = fetch(url("/file"));
    EXPECT_EQ(file.status, FetchStatus::Empty);
    EXPECT_EQ(file.text, "");
    EXPECT_EQ(fetch(url("/missing")).text, "{\"error\":404}"); // the status is never examined
}

TEST_F(HttpFetch, PageRedirectsFollowed)
{
    auto html = [](std::string body) {
        return [body](const httplib::Request&, httplib::Response& res) { res.set_content(body, "text/html"); };
    };
    m_server.Get("/d/rel", html("<html><head><meta http-equiv=\"refresh\" content=\"0;url=target.json\"></head></html>"));
    m_server.Get("/d/abs", html("<head><meta http-equiv=Refresh content=\"0; URL='/d/target.json'\"></head>"));
    m_server.Get("/d/unquoted", html("<head><meta http-equiv=refresh content=0;url=target.json></head>"));
    m_server.Get("/d/script", [this](const httplib::Request&, httplib::Response& res) {
        res.set_content("<script>location.href=\"" + url("/d/target.json") + "\";</script>", "text/html");
    });
    m_server.Get("/d/cond", html("<script>if(x){location.href='target.json'}</script>"));
    m_server.Get("/d/target.json", html("{\"t\":1}"));
    start();
    for (const char* path : {"/d/rel", "/d/abs", "/d/unquoted", "/d/script"}) {
        SCOPED_TRACE(path);
        const UrlFetchResult r = fetch(url(path));
        EXPECT_EQ(r.text, "{\"t\":1}");
        EXPECT_EQ(r.finalUrl, url("/d/target.json"));
    }
    // Not followed; the link inside is still completed like any href='...'.
    const UrlFetchResult cond = fetch(url("/d/cond"));
    EXPECT_EQ(cond.text, "<script>if(x){location.href='" + url("/d/target.json") + "'}</script>");
    EXPECT_EQ(cond.finalUrl, url("/d/cond"));
}

TEST_F(HttpFetch, RedirectChainStopsAfterThreeAttempts)
{
    m_server.Get("/loop", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("<meta http-equiv=refresh content=\"0;url=loop\">", "text/html");
    });
    start();
    FetchOptions options = quick();
    options.pauseMs = 3000;
    FetchEncoding encoding = FetchEncoding::Auto;
    const auto before = Clock::now();
    const UrlFetchResult r = fetchUrlText(url("/loop"), encoding, options);
    EXPECT_EQ(seen().size(), 3u);
    EXPECT_EQ(r.status, FetchStatus::Ok); // the text of the last attempt, links completed
    EXPECT_LT(Clock::now() - before, std::chrono::milliseconds(2500)); // no pause after a redirect
}

TEST_F(HttpFetch, HeaderCharsetRule)
{
    const std::string gbkBody = "{\"k\":\"\xD6\xD0\xCE\xC4\"}";
    const std::string emojiUtf8 = "{\"k\":\"\xF0\x9F\x98\x80\"}";
    m_server.Get("/utf8", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(emojiUtf8, "application/json; Charset=\"UTF-8\"");
    });
    m_server.Get("/gbk", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(gbkBody, "application/json; charset=gbk");
    });
    m_server.Get("/plain", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(emojiUtf8, "application/json");
    });
    start();
    FetchEncoding encoding = FetchEncoding::Auto;
    EXPECT_EQ(fetchUrlText(url("/utf8"), encoding, quick()).text, gb(emojiUtf8));
    EXPECT_EQ(encoding, FetchEncoding::Utf8);
    encoding = FetchEncoding::Auto;
    EXPECT_EQ(fetchUrlText(url("/gbk"), encoding, quick()).text, gbkBody);
    EXPECT_EQ(encoding, FetchEncoding::Auto);
    // Without the header a 4-byte sequence makes the body be taken as it is.
    EXPECT_EQ(fetch(url("/plain")).text, emojiUtf8);
    // A fixed choice is not overridden by the header.
    encoding = FetchEncoding::Ansi;
    EXPECT_EQ(fetchUrlText(url("/utf8"), encoding, quick()).text, emojiUtf8);
}

TEST_F(HttpFetch, GzipBodies)
{
    std::string big = "[";
    for (int i = 0; i < 30000; ++i)
        big += std::to_string(i) + ",";
    big += "0]";
    const std::string gz = gzipBytes(big);
    m_server.Get("/gz", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(gz, "application/json");
        res.set_header("Content-Encoding", "gzip");
    });
    m_server.Get("/cut", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(gz.substr(0, gz.size() / 3), "application/octet-stream");
    });
    start();
    EXPECT_EQ(fetch(url("/gz")).text, big);
    const UrlFetchResult cut = fetch(url("/cut"));
    EXPECT_EQ(cut.status, FetchStatus::Ok);
    EXPECT_FALSE(cut.text.empty());
    EXPECT_LT(cut.text.size(), big.size());
    EXPECT_EQ(big.compare(0, cut.text.size(), cut.text), 0);
}

TEST_F(HttpFetch, EmptyBodyGivesThreeAttemptsWithPauses)
{
    m_server.Get("/empty", [](const httplib::Request&, httplib::Response& res) { res.set_content("", "text/plain"); });
    start();
    const auto before = Clock::now();
    const FetchOutcome outcome = fetchJsonText(url("/empty"), FetchEncoding::Auto, quick());
    const auto elapsed = Clock::now() - before;
    EXPECT_EQ(outcome.status, FetchStatus::Empty);
    EXPECT_TRUE(outcome.message.empty());
    EXPECT_EQ(seen().size(), 3u);
    EXPECT_GE(elapsed, std::chrono::milliseconds(3 * 40)); // the third pause happens too
}

TEST(HttpFetchClosedPort, ThreeAttemptsThenEmpty)
{
    // A port that was free a moment ago: connections are refused.
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    const int port = ntohs(addr.sin_port);
    ::close(fd);

    FetchOptions options;
    options.pauseMs = 60;
    options.timeoutSeconds = 2;
    const auto before = Clock::now();
    const CommandLineFetchResult r = fetchForCommandLine("http://127.0.0.1:" + std::to_string(port) + "/x", "auto", options);
    const auto elapsed = Clock::now() - before;
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("nothing was read"), std::string::npos);
    EXPECT_GE(elapsed, std::chrono::milliseconds(3 * 60));
    EXPECT_LT(elapsed, std::chrono::seconds(5));
}

TEST_F(HttpFetch, TooLargeBodyStopsAtOnce)
{
    const std::string body(5000, 'x');
    m_server.Get("/sized", [&](const httplib::Request&, httplib::Response& res) { res.set_content(body, "text/plain"); });
    m_server.Get("/chunked", [&](const httplib::Request&, httplib::Response& res) {
        res.set_chunked_content_provider("text/plain", [&](size_t, httplib::DataSink& sink) {
            for (int i = 0; i < 5; ++i)
                sink.write(body.data(), 1000);
            sink.done();
            return true;
        });
    });
    m_server.Get("/bomb", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(gzipBytes(std::string(100000, 'z')), "application/octet-stream");
    });
    start();
    FetchOptions options = quick();
    options.maxBodyBytes = 3000;
    for (const char* path : {"/sized", "/chunked", "/bomb"}) {
        SCOPED_TRACE(path);
        const FetchOutcome outcome = fetchJsonText(url(path), FetchEncoding::Auto, options);
        EXPECT_EQ(outcome.status, FetchStatus::TooLarge);
        EXPECT_TRUE(outcome.text.empty());
        EXPECT_EQ(outcome.message, tooLargeMessage());
    }
    EXPECT_EQ(seen().size(), 3u); // one request each, no retries
    const CommandLineFetchResult cli = fetchForCommandLine(url("/sized"), "", options);
    EXPECT_FALSE(cli.ok);
    EXPECT_NE(cli.error.find("too large"), std::string::npos);
}

TEST_F(HttpFetch, CancelStopsAWaitingTransfer)
{
    std::atomic<bool> release{false};
    m_server.Get("/slow", [&](const httplib::Request&, httplib::Response& res) {
        for (int i = 0; i < 300 && !release; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        res.set_content("{}", "text/plain");
    });
    start();
    std::atomic<bool> cancel{false};
    FetchOptions options = quick();
    options.cancel = &cancel;
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        cancel = true;
    });
    const auto before = Clock::now();
    const FetchOutcome outcome = fetchJsonText(url("/slow"), FetchEncoding::Auto, options);
    const auto elapsed = Clock::now() - before;
    canceller.join();
    release = true;
    EXPECT_EQ(outcome.status, FetchStatus::Cancelled);
    EXPECT_LT(elapsed, std::chrono::milliseconds(1500));
}

TEST_F(HttpFetch, SilentServerTimesOut)
{
    std::atomic<bool> release{false};
    m_server.Get("/silent", [&](const httplib::Request&, httplib::Response& res) {
        for (int i = 0; i < 500 && !release; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        res.set_content("{}", "text/plain");
    });
    start();
    FetchOptions options = quick();
    options.timeoutSeconds = 1;
    options.attempts = 1;
    FetchEncoding encoding = FetchEncoding::Auto;
    const auto before = Clock::now();
    const UrlFetchResult r = fetchUrlText(url("/silent"), encoding, options);
    const auto elapsed = Clock::now() - before;
    release = true;
    EXPECT_EQ(r.status, FetchStatus::Empty);
    EXPECT_GE(elapsed, std::chrono::milliseconds(900));
    EXPECT_LT(elapsed, std::chrono::milliseconds(3500));
}

TEST_F(HttpFetch, CommandLineFetchConvertsAndDecodes)
{
    m_server.Post("/q", [](const httplib::Request& req, httplib::Response& res) {
        res.set_content("\xEF\xBB\xBF{\"echo\":\"" + req.body + "\"}", "application/json");
    });
    start();
    // The argument is UTF-8; the body goes out as UTF-8, the result is GB18030.
    const CommandLineFetchResult r = fetchForCommandLine(url("/q") + "|name=\xE4\xB8\xAD", "utf8");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.text, gb("{\"echo\":\"name=中\"}"));
}

} // namespace
} // namespace tess
