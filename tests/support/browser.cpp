#include "support/browser.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>
#include <vector>

namespace velaris::test {

namespace {

std::string quoted(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') out += '\\';
        if (c == '\n') {
            out += "\\n";
            continue;
        }
        out += c;
    }
    return out + "\"";
}

void appendUtf8(std::string& out, unsigned cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string base64Decode(const std::string& in) {
    static const std::string digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    int bits = 0, acc = 0;
    for (char c : in) {
        const size_t v = digits.find(c);
        if (v == std::string::npos) continue;  // padding
        acc = ((acc << 6) | static_cast<int>(v)) & 0xFFFFFF;  // never more than the bits still owed
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>((acc >> bits) & 0xFF);
        }
    }
    return out;
}

// The JSON string value of "key" first found in `json`, unescaped; nothing when absent.
std::optional<std::string> jsonStringValue(const std::string& json, const std::string& key) {
    const std::string probe = "\"" + key + "\":\"";
    const size_t at = json.find(probe);
    if (at == std::string::npos) return std::nullopt;
    std::string out;
    for (size_t i = at + probe.size(); i < json.size(); ++i) {
        const char c = json[i];
        if (c == '"') return out;
        if (c != '\\' || i + 1 >= json.size()) {
            out += c;
            continue;
        }
        const char e = json[++i];
        switch (e) {
            case 'n': out += '\n'; break;
            case 't': out += '\t'; break;
            case 'r': out += '\r'; break;
            case 'u':
                if (i + 4 < json.size()) {
                    appendUtf8(out, static_cast<unsigned>(std::stoul(json.substr(i + 1, 4), nullptr, 16)));
                    i += 4;
                }
                break;
            default: out += e; break;
        }
    }
    return std::nullopt;
}

}  // namespace

std::string HeadlessBrowser::executable() {
    for (const char* candidate : {"/usr/bin/chromium", "/usr/bin/chromium-browser"})
        if (access(candidate, X_OK) == 0) return candidate;
    return "";
}

HeadlessBrowser::~HeadlessBrowser() {
    if (pid_ > 0) {
        call("Browser.close", "{}", false, std::chrono::seconds(5));
        for (int i = 0; i < 50; ++i) {
            if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
                pid_ = -1;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    if (toBrowser_ >= 0) close(toBrowser_);
    if (fromBrowser_ >= 0) close(fromBrowser_);
}

bool HeadlessBrowser::start(std::string& error) {
    const std::string exe = executable();
    if (exe.empty()) {
        error = "chromium is not installed (scripts/install-deps installs it)";
        return false;
    }
    int commands[2], answers[2];
    if (pipe(commands) != 0 || pipe(answers) != 0) {
        error = "pipe failed";
        return false;
    }
    const std::string profile = "--user-data-dir=" + profile_.path().string();
    std::vector<std::string> args = {exe, "--headless=new", "--no-sandbox", "--disable-gpu", "--no-first-run",
                                     "--no-default-browser-check", "--disable-extensions", "--hide-scrollbars",
                                     "--window-size=1200,900", "--remote-debugging-pipe", profile, "about:blank"};
    pid_ = fork();
    if (pid_ == 0) {
        // The browser reads commands on 3 and writes answers on 4.
        dup2(commands[0], 3);
        dup2(answers[1], 4);
        for (int fd = 5; fd < 1024; ++fd) close(fd);
        const int null = ::open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(exe.c_str(), argv.data());
        _exit(127);
    }
    close(commands[0]);
    close(answers[1]);
    toBrowser_ = commands[1];
    fromBrowser_ = answers[0];
    if (pid_ < 0) {
        error = "fork failed";
        return false;
    }
    if (!call("Browser.getVersion", "{}", false, std::chrono::seconds(60))) {
        error = "the browser did not answer";
        return false;
    }
    return true;
}

std::optional<std::string> HeadlessBrowser::readMessage(std::chrono::steady_clock::time_point deadline) {
    while (true) {
        if (const size_t nul = pending_.find('\0'); nul != std::string::npos) {
            std::string msg = pending_.substr(0, nul);
            pending_.erase(0, nul + 1);
            return msg;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return std::nullopt;
        pollfd p{fromBrowser_, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left.count())) <= 0) return std::nullopt;
        char buf[65536];
        const ssize_t n = read(fromBrowser_, buf, sizeof buf);
        if (n <= 0) return std::nullopt;
        pending_.append(buf, static_cast<size_t>(n));
    }
}

std::optional<std::string> HeadlessBrowser::call(const std::string& method, const std::string& params, bool onPage,
                                                 std::chrono::milliseconds timeout) {
    if (toBrowser_ < 0) return std::nullopt;
    const int id = nextId_++;
    std::string msg = "{\"id\":" + std::to_string(id) + ",\"method\":\"" + method + "\",\"params\":" + params;
    if (onPage) msg += ",\"sessionId\":\"" + session_ + "\"";
    msg += "}";
    msg.push_back('\0');
    for (size_t done = 0; done < msg.size();) {
        const ssize_t n = write(toBrowser_, msg.data() + done, msg.size() - done);
        if (n <= 0) return std::nullopt;
        done += static_cast<size_t>(n);
    }
    const std::string prefix = "{\"id\":" + std::to_string(id) + ",";
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (auto answer = readMessage(deadline)) {
        if (answer->rfind(prefix, 0) != 0) continue;  // events and other answers
        if (answer->find("\"error\":") != std::string::npos && answer->find("\"result\":") == std::string::npos)
            return std::nullopt;
        return answer;
    }
    return std::nullopt;
}

bool HeadlessBrowser::open(const std::string& url) {
    const auto created = call("Target.createTarget", "{\"url\":" + quoted(url) + "}", false);
    const auto target = created ? jsonStringValue(*created, "targetId") : std::nullopt;
    if (!target) return false;
    const auto attached = call("Target.attachToTarget", "{\"targetId\":" + quoted(*target) + ",\"flatten\":true}", false);
    const auto session = attached ? jsonStringValue(*attached, "sessionId") : std::nullopt;
    if (!session) return false;
    session_ = *session;
    return call("Runtime.enable", "{}", true).has_value();
}

std::optional<std::string> HeadlessBrowser::evaluate(const std::string& expression) {
    const auto answer = call("Runtime.evaluate",
                             "{\"expression\":" + quoted("String(" + expression + ")") + ",\"returnByValue\":true}", true);
    if (!answer || answer->find("\"exceptionDetails\"") != std::string::npos) return std::nullopt;
    return jsonStringValue(*answer, "value");
}

bool HeadlessBrowser::waitUntil(const std::string& expression, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        if (evaluate(expression) == std::optional<std::string>("true")) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

bool HeadlessBrowser::screenshot(const std::string& path) {
    const auto answer = call("Page.captureScreenshot", "{\"format\":\"png\",\"captureBeyondViewport\":false}", true);
    const auto data = answer ? jsonStringValue(*answer, "data") : std::nullopt;
    if (!data) return false;
    std::ofstream(path, std::ios::binary) << base64Decode(*data);
    return true;
}

}  // namespace velaris::test
