#pragma once

// ASSERT_TRUE(test::isOk(result)) prints the error's text when it fails;
// errorText() and errorCode() compare a failure in one expectation.

#include "volmar/sysio/Result.h"

#include <gtest/gtest.h>

#include <string>

namespace volmar::test {

template <typename T>
::testing::AssertionResult isOk(const Result<T>& result) {
    if (result.ok()) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << result.error().text;
}

// What a failure said; empty for a success.
template <typename T>
std::string errorText(const Result<T>& result) {
    return result.ok() ? std::string() : result.error().text;
}

// The errno value of a failure; 0 for a success.
template <typename T>
int errorCode(const Result<T>& result) {
    return result.ok() ? 0 : result.error().code;
}

} // namespace volmar::test
