#include <gtest/gtest.h>

#include "terminals/httppush/http_request.h"

using namespace velaris;

namespace {

HttpRequest get(const std::string& target) {
    HttpRequest r;
    r.method = "GET";
    r.target = target;
    return r;
}

std::string trsnOf(int fields, const std::string& f4, const std::string& f14 = "") {
    std::string t;
    for (int i = 0; i < fields; ++i) {
        if (i) t += ",";
        t += i == 4 ? f4 : i == 14 ? f14 : "f" + std::to_string(i);
    }
    return t;
}

// Every whole request the framer holds, as "method target [body]".
std::vector<std::string> drain(HttpFramer& f) {
    std::vector<std::string> out;
    while (auto r = f.next()) out.push_back(r->method + " " + r->target + " [" + r->body + "]");
    return out;
}

}  // namespace

TEST(HttpFramerTest, RequestsSplitOverReadsAndMergedInOneBodiesWaitForTheirLastByte) {
    HttpFramer f;
    const std::string a = "GET /keepalive?id=12 HTTP/1.1\r\nHost: x\r\n\r\n";
    const std::string b = "POST /batch HTTP/1.1\r\nContent-Length: 5\r\n\r\nabcde";
    // Byte by byte: nothing until the last byte of the blank line.
    for (size_t i = 0; i + 1 < a.size(); ++i) {
        f.append(a.substr(i, 1));
        EXPECT_FALSE(f.next()) << i;
    }
    f.append(a.substr(a.size() - 1) + b + "\r\n" + a);
    const auto first = f.next();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->method + " " + first->target, "GET /keepalive?id=12");
    EXPECT_EQ(first->head, "GET /keepalive?id=12 HTTP/1.1\r\nHost: x");
    EXPECT_EQ(drain(f), (std::vector<std::string>{"POST /batch [abcde]", "GET /keepalive?id=12 []"}));
    // A body waits for its last byte; bare line feeds end a head too.
    f.append("POST /online HTTP/1.1\r\ncontent-length:  12\r\n\r\nid=3&trsn=1");
    EXPECT_FALSE(f.next());
    f.append(",GET /keepalive?id=4\n\n");
    EXPECT_EQ(drain(f), (std::vector<std::string>{"POST /online [id=3&trsn=1,]", "GET /keepalive?id=4 []"}));
    EXPECT_EQ(f.buffered(), 0u);
    EXPECT_EQ(f.error(), HttpFramer::Error::None);
}

TEST(HttpFramerTest, OversizedAndMalformedRequestsPutTheFramerInError) {
    using E = HttpFramer::Error;
    const std::string post = "POST /batch HTTP/1.1\r\n";
    const std::pair<std::string, E> cases[] = {
        {std::string(129, 'A'), E::TooLarge},
        {post + "Content-Length: 200\r\n\r\n", E::TooLarge},
        {post + "Content-Length: -1\r\n\r\n", E::BadLength},
        {post + "Content-Length: 12a\r\n\r\n", E::BadLength},
        {post + "Content-Length: \r\n\r\n", E::BadLength},
        {post + "Content-Length: 99999999999\r\n\r\n", E::BadLength},
        {post + "Content-Length: 1\r\nContent-Length: 2\r\n\r\nab", E::BadLength},
        {post + "Transfer-Encoding: chunked\r\n\r\n5\r\nabcde\r\n0\r\n\r\n", E::Unsupported},
    };
    for (const auto& [bytes, error] : cases) {
        HttpFramer f(128);
        f.append(bytes);
        EXPECT_FALSE(f.next()) << bytes;
        EXPECT_EQ(f.error(), error) << bytes;
    }
}

TEST(HttpFramerTest, ManySmallRequestsDoNotCountAgainstTheBound) {
    HttpFramer f(64);
    size_t n = 0;
    for (int i = 0; i < 100; ++i) {
        f.append("GET /keepalive?id=1 HTTP/1.1\r\n\r\n");
        n += drain(f).size();
    }
    EXPECT_EQ(n, 100u);
    EXPECT_EQ(f.error(), HttpFramer::Error::None);
}

TEST(HttpRouting, PathsInOrderAndUnknownPathsGetNothing) {
    // The pushing server's test sends the ordinary paths; here the corners.
    EXPECT_EQ(routeRequest(get("/batch?x=/keepalive")).kind, PushAction::Kind::Batch);
    EXPECT_EQ(routeRequest(get("/keepalive")).id, "");
    // The path is looked for in the target only, not in headers or body.
    HttpRequest r = get("/other");
    r.head = "GET /other HTTP/1.1\r\nReferer: http://x/online";
    r.body = "/batch";
    EXPECT_EQ(routeRequest(r).kind, PushAction::Kind::None);
}

TEST(HttpRouting, OnlineTakesField4OrTheLongerField14) {
    // The plain field 4 read is in the pushing server's test.
    auto longer = routeRequest(get("/online?id=3&trsn=" + trsnOf(15, "1234", "X0305419896")));
    EXPECT_EQ(longer.code, "0305419896");
    // Field 14 without its first character must be longer than field 4.
    EXPECT_EQ(routeRequest(get("/online?id=3&trsn=" + trsnOf(15, "1234", "X1234"))).code, "1234");
    EXPECT_EQ(routeRequest(get("/online?id=3&trsn=" + trsnOf(15, "1234", "  "))).code, "1234");
    EXPECT_EQ(routeRequest(get("/online?id=3&trsn=" + trsnOf(14, "1234"))).code, "1234");

    // A blank code processes nothing and is no error.
    EXPECT_EQ(routeRequest(get("/online?id=3&trsn=" + trsnOf(5, ""))).kind, PushAction::Kind::None);

    // Parameters come from the query, at parameter starts only, or else from the body.
    EXPECT_EQ(routeRequest(get("/online?devid=9&xtrsn=1&id=12&trsn=" + trsnOf(5, "77"))).address, 12);
    HttpRequest post = get("/online");
    post.body = "trsn=" + trsnOf(5, "0042") + "&id=7\r\n";
    const auto fromBody = routeRequest(post);
    EXPECT_EQ(fromBody.address, 7);
    EXPECT_EQ(fromBody.code, "0042");
}

// The id converts as a 16-bit whole number, halves to even; anything else is an error
// with its number, as is a read with too few fields.
TEST(HttpRouting, IdsConvertOrAreErrorsAndShortReadsAreErrors) {
    const std::string trsn = "&trsn=" + trsnOf(5, "1234");
    const std::pair<std::string, int> valid[] = {{" 12 ", 12}, {"32767", 32767}, {"-32768", -32768}, {"12.5", 12},
                                                 {"-7", -7}};
    for (const auto& [id, address] : valid) {
        const auto a = routeRequest(get("/online?id=" + id + trsn));
        EXPECT_EQ(a.kind, PushAction::Kind::Online) << id;
        EXPECT_EQ(a.address, address) << id;
    }
    const std::pair<std::string, int> invalid[] = {{"ab", 13}, {"", 13}, {"1e400", 13}, {"40000", 6}, {"32768", 6}};
    for (const auto& [id, error] : invalid) {
        const auto a = routeRequest(get("/online?id=" + id + trsn));
        EXPECT_EQ(a.kind, PushAction::Kind::Error) << id;
        EXPECT_EQ(a.errorNumber, error) << id;
    }
    // No id at all; the texts of 13 and of a short read (9) are in the pushing server's test.
    EXPECT_EQ(routeRequest(get("/online?x=1" + trsn)).errorNumber, 13);
    EXPECT_EQ(routeRequest(get("/online?id=40000" + trsn)).errorDescription, "Overflow");
}
