#pragma once
// The message of the exception E that `run` throws ("" when it throws none), so that one
// line checks that a call failed and how; an exception of another type still escapes.

#include <functional>
#include <string>

namespace velaris::test {

template <class E>
std::string thrown(const std::function<void()>& run) {
    try {
        run();
    } catch (const E& e) {
        return e.what();
    }
    return "";
}

}  // namespace velaris::test
