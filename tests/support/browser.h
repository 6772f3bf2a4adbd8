#pragma once
// A real headless browser (Debian's chromium) driven over its DevTools pipe: open a page,
// evaluate JavaScript in it, take a screenshot. Messages are NUL-separated JSON on the
// child's descriptors 3 (commands) and 4 (answers); every wait is bounded.

#include <chrono>
#include <optional>
#include <string>

#include <sys/types.h>

#include "support/test_support.h"

namespace velaris::test {

class HeadlessBrowser {
public:
    HeadlessBrowser() = default;
    ~HeadlessBrowser();
    HeadlessBrowser(const HeadlessBrowser&) = delete;
    HeadlessBrowser& operator=(const HeadlessBrowser&) = delete;

    // The browser's executable, or "" when none is installed.
    static std::string executable();
    // Starts the browser; false with a reason.
    bool start(std::string& error);
    // Opens `url` in a new page and attaches to it.
    bool open(const std::string& url);
    // The value of `expression` as a string (String(...) of the result); nothing on
    // failure or time-out.
    std::optional<std::string> evaluate(const std::string& expression);
    // Waits until `expression` evaluates to "true"; false on time-out.
    bool waitUntil(const std::string& expression, std::chrono::milliseconds timeout);
    // Writes a PNG screenshot of the page.
    bool screenshot(const std::string& path);

private:
    // Sends a command (on the page's session when `onPage`) and returns its answer.
    std::optional<std::string> call(const std::string& method, const std::string& params, bool onPage,
                                    std::chrono::milliseconds timeout = std::chrono::seconds(20));
    std::optional<std::string> readMessage(std::chrono::steady_clock::time_point deadline);

    TempDir profile_;
    pid_t pid_ = -1;
    int toBrowser_ = -1, fromBrowser_ = -1;
    std::string pending_;
    std::string session_;
    int nextId_ = 1;
};

}  // namespace velaris::test
