// Every window test starts with the shipped English texts, as the program does.

#include "WindowTestSupport.h"

#include <gtest/gtest.h>

namespace {

struct ShippedLanguage : ::testing::Environment {
    void SetUp() override { quorel::test::load_shipped_language(L"en-US"); }
};

const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new ShippedLanguage);

} // namespace
