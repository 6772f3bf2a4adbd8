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
    auto r1 = f.next();
    ASSERT_TRUE(r1);
    EXPECT_EQ(r1->method, "GET");
    EXPECT_EQ(r1->target, "/keepalive?id=12");
    EXPECT_EQ(r1->head, "GET /keepalive?id=12 HTTP/1.1\r\nHost: x");
    auto r2 = f.next();
    ASSERT_TRUE(r2);
    EXPECT_EQ(r2->target, "/batch");
    EXPECT_EQ(r2->body, "abcde");
    auto r3 = f.next();
    ASSERT_TRUE(r3);
    EXPECT_EQ(r3->target, "/keepalive?id=12");
    // A body waits for its last byte; bare line feeds end a head too.
    f.append("POST /online HTTP/1.1\r\ncontent-length:  12\r\n\r\nid=3&trsn=1");
    EXPECT_FALSE(f.next());
    f.append(",GET /keepalive?id=4\n\n");
    auto r4 = f.next();
    ASSERT_TRUE(r4);
    EXPECT_EQ(r4->body, "id=3&trsn=1,");
    auto r5 = f.next();
    ASSERT_TRUE(r5);
    EXPECT_EQ(r5->target, "/keepalive?id=4");
    EXPECT_FALSE(f.next());
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
    int n = 0;
    for (int i = 0; i < 100; ++i) {
        f.append("GET /keepalive?id=1 HTTP/1.1\r\n\r\n");
        while (f.next()) ++n;
    }
    EXPECT_EQ(n, 100);
    EXPECT_EQ(f.error(), HttpFramer::Error::None);
}

TEST(HttpRouting, PathsInOrderAndUnknownPathsGetNothing) {
    EXPECT_EQ(routeRequest(get("/batch?x=/keepalive")).kind, PushAction::Kind::Batch);
    auto k = routeRequest(get("/keepalive?id=12"));
    EXPECT_EQ(k.kind, PushAction::Kind::Keepalive);
    EXPECT_EQ(k.id, "12");
    EXPECT_EQ(routeRequest(get("/keepalive")).id, "");
    EXPECT_EQ(routeRequest(get("/status?id=12")).kind, PushAction::Kind::None);
    // The path is looked for in the target only, not in headers or body.
    HttpRequest r = get("/other");
    r.head = "GET /other HTTP/1.1\r\nReferer: http://x/online";
    r.body = "/batch";
    EXPECT_EQ(routeRequest(r).kind, PushAction::Kind::None);
}

TEST(HttpRouting, OnlineTakesField4OrTheLongerField14) {
    auto five = routeRequest(get("/online?trsn=" + trsnOf(5, "0001234") + "&id=3"));
    ASSERT_EQ(five.kind, PushAction::Kind::Online);
    EXPECT_EQ(five.code, "0001234");
    EXPECT_EQ(five.address, 3);

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
    auto missing = routeRequest(get("/online?x=1" + trsn));
    EXPECT_EQ(missing.errorNumber, 13);
    EXPECT_EQ(missing.errorDescription, "Type mismatch");
    EXPECT_EQ(routeRequest(get("/online?id=40000" + trsn)).errorDescription, "Overflow");
    auto shortRead = routeRequest(get("/online?id=3&trsn=1,2,3"));
    EXPECT_EQ(shortRead.kind, PushAction::Kind::Error);
    EXPECT_EQ(shortRead.errorNumber, 9);
}
