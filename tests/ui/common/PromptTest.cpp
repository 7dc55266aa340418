#include "ui/common/Prompt.h"
#include "ui/common/Desktop.h"

#include <QFile>
#include <gtest/gtest.h>

namespace hostaq {
namespace {

TEST(PromptTest, TestModeRecordsRequestsAndAnswersQueuedOrDefault) {
    TPrompt::Reset();
    TPrompt::QueueAnswer(TPromptButton::Yes);
    EXPECT_TRUE(TPrompt::YesNo(nullptr, QStringLiteral("Really?")));
    // Nothing queued: the default button (No) answers.
    EXPECT_FALSE(TPrompt::YesNo(nullptr, QStringLiteral("Again?")));
    EXPECT_EQ(TPrompt::YesNoCancel(nullptr, QStringLiteral("Which?")), TPromptButton::Yes);
    TPrompt::Beep();
    ASSERT_EQ(TPrompt::Asked().size(), 3u);
    EXPECT_EQ(TPrompt::Asked()[1].Text, QStringLiteral("Again?"));
    EXPECT_EQ(TPrompt::Asked()[2].Buttons.size(), 3u);
    EXPECT_EQ(TPrompt::Beeps(), 1);
    TPrompt::Reset();
}

TEST(PromptTest, HelpTopicsOpenPagesThatExist) {
    TDesktop::Opened().clear();
    ASSERT_TRUE(TDesktop::OpenHelpTopic(nullptr, QStringLiteral("index.html")));
    ASSERT_EQ(TDesktop::Opened().size(), 1);
    EXPECT_TRUE(QFile::exists(TDesktop::Opened().front().toLocalFile()));
    TDesktop::Opened().clear();
}

} // namespace
} // namespace hostaq
