// The connection dialog procedure over fake controls: what it shows, what its clicks change,
// and what OK accepts, across the dialogs of one run.

#include "shell/connect_dialog.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "resources/resource_ids.h"
#include "tests/shell/fake_controls.h"
#include "tests/support/settings_record.h"

namespace {

// "日" in code page 932 and in UTF-8.
constexpr char NICHI_CP932[] = "\x93\xfa";
constexpr char NICHI_UTF8[] = "\xe6\x97\xa5";

// One modal run of the dialog over a live record, as the shell drives it.
class DialogRun {
public:
    DialogRun(ConnectDialog& dialog, ConnectSettings& live,
              const ConnectDialogVariant& variant = PARTICIPANT_CONNECT_DIALOG)
        : controls(connectDialogControls(variant.templateId)), procedure_(dialog)
    {
        dialog.prepare(live, variant);
        procedure_.initialise(controls);
    }

    void click(int controlId) { controls.click(controlId, procedure_); }
    std::string text(int controlId) { return controls[controlId].text; }
    void type(int controlId, const std::string& text) { controls[controlId].text = text; }
    bool ended() const { return controls.endResult != FakeControls::NOT_ENDED; }

    // Clicks OK and expects the one warning given, the dialog still open.
    void expectOkRefused(const char* warning)
    {
        controls.warnings.clear();
        click(IDOK);
        ASSERT_EQ(controls.warnings.size(), 1u);
        EXPECT_EQ(controls.warnings[0].text, warning);
        EXPECT_EQ(controls.warnings[0].caption, "？");
        EXPECT_FALSE(ended());
    }

    FakeControls controls;

private:
    DialogProcedure& procedure_;
};

class ConnectDialogTest : public ::testing::Test {
protected:
    ConnectDialog dialog;
};

}  // namespace

TEST_F(ConnectDialogTest, OpensWithTheLiveRecordInItsBoxes)
{
    std::string nickname = std::string("ab") + NICHI_CP932;
    ConnectSettings live = settingsRecord(nickname.c_str(), "stored.example", 1, 9876, 4000);
    DialogRun run(dialog, live);

    EXPECT_EQ(run.text(IDC_NICKNAME), std::string("ab") + NICHI_UTF8);
    EXPECT_EQ(run.controls[IDC_NICKNAME].limit, 15);
    EXPECT_EQ(run.controls[IDC_REMOTE_HOST].limit, 255);
    EXPECT_EQ(run.text(IDC_REMOTE_PORT), "9876");
    EXPECT_TRUE(run.controls[IDC_FIX_LOCAL_PORT].checked);
    EXPECT_TRUE(run.controls[IDC_LOCAL_PORT].enabled);
    EXPECT_EQ(run.text(IDC_LOCAL_PORT), "4000");
    // Server mode shows the stored host, not the loopback address, and locks it.
    EXPECT_TRUE(run.controls[IDC_SERVER_MODE].checked);
    EXPECT_EQ(run.text(IDC_REMOTE_HOST), "stored.example");
    EXPECT_FALSE(run.controls[IDC_REMOTE_HOST].enabled);
    EXPECT_TRUE(run.controls[IDCANCEL].enabled);
}

TEST_F(ConnectDialogTest, ServerPortIsCheckedBeforeTheLocalPortAndBothStayInRange)
{
    ConnectSettings live = settingsRecord("me", "relay.example", 0, 9876, 0);
    ConnectSettings before = live;
    DialogRun run(dialog, live);
    run.click(IDC_FIX_LOCAL_PORT);
    run.type(IDC_LOCAL_PORT, "");

    for (const char* bad : {"", "0", "65536"}) {
        SCOPED_TRACE(bad);
        run.type(IDC_REMOTE_PORT, bad);
        run.expectOkRefused(TEXT_BAD_SERVER_PORT);
    }
    run.type(IDC_REMOTE_PORT, "65535");
    for (const char* bad : {"", "65536", "4294967295"}) {
        SCOPED_TRACE(bad);
        run.type(IDC_LOCAL_PORT, bad);
        run.expectOkRefused(TEXT_BAD_LOCAL_PORT);
    }
    EXPECT_EQ(std::memcmp(&live, &before, sizeof(live)), 0) << "a refused OK changed the live record";

    run.type(IDC_REMOTE_PORT, "1");
    run.type(IDC_LOCAL_PORT, "65535");
    run.controls.warnings.clear();
    run.click(IDOK);
    EXPECT_TRUE(run.controls.warnings.empty());
    EXPECT_EQ(run.controls.endResult, IDOK);
    EXPECT_EQ(live.remotePort, 1);
    EXPECT_EQ(live.localPort, 65535);
    EXPECT_EQ(live.serverMode, 0);
    EXPECT_STREQ(live.remoteHost, "relay.example");
}

TEST_F(ConnectDialogTest, AFixedLocalPortOfZeroMeansNotFixed)
{
    ConnectSettings live = settingsRecord("me", "relay.example", 0, 9876, 5000);
    {
        DialogRun run(dialog, live);
        run.type(IDC_LOCAL_PORT, "0");
        run.click(IDOK);
        EXPECT_EQ(run.controls.endResult, IDOK);
    }
    EXPECT_EQ(live.localPort, 0);
    DialogRun next(dialog, live);
    EXPECT_FALSE(next.controls[IDC_FIX_LOCAL_PORT].checked);
    EXPECT_FALSE(next.controls[IDC_LOCAL_PORT].enabled);
    EXPECT_EQ(next.text(IDC_LOCAL_PORT), "");
}

TEST_F(ConnectDialogTest, ServerModeSwapsTheHostAndAnEarlierDialogsHostComesBack)
{
    ConnectSettings live = settingsRecord("me", "typed.example", 0, 9876, 0);
    {
        DialogRun run(dialog, live);
        run.click(IDC_SERVER_MODE);
        EXPECT_EQ(run.text(IDC_REMOTE_HOST), "127.0.0.1");
        EXPECT_FALSE(run.controls[IDC_REMOTE_HOST].enabled);
        run.click(IDC_SERVER_MODE);
        EXPECT_EQ(run.text(IDC_REMOTE_HOST), "typed.example");
        EXPECT_TRUE(run.controls[IDC_REMOTE_HOST].enabled);
        run.click(IDC_SERVER_MODE);
        run.click(IDCANCEL);
        EXPECT_EQ(run.controls.endResult, IDCANCEL);
    }
    EXPECT_EQ(live.serverMode, 0) << "Cancel changed the live record";

    // Reloaded from the file with server mode on: the stored host shows, and unchecking brings
    // back the host saved by the click in the cancelled dialog.
    live = settingsRecord("me", "stored.example", 1, 9876, 0);
    DialogRun next(dialog, live);
    EXPECT_EQ(next.text(IDC_REMOTE_HOST), "stored.example");
    next.click(IDC_SERVER_MODE);
    EXPECT_EQ(next.text(IDC_REMOTE_HOST), "typed.example");
}

TEST_F(ConnectDialogTest, FirstDialogOpenedInServerModeRestoresAnEmptyHost)
{
    ConnectSettings live = settingsRecord("unnamed", "stored.example", 1, 9876, 0);
    DialogRun run(dialog, live);
    run.click(IDC_SERVER_MODE);
    EXPECT_EQ(run.text(IDC_REMOTE_HOST), "");
    EXPECT_TRUE(run.controls[IDC_REMOTE_HOST].enabled);
}

TEST_F(ConnectDialogTest, FixLocalPortFirstShowsTheLoadedServerPortThenRemembersTheBox)
{
    ConnectSettings live = settingsRecord("me", "relay.example", 0, 9876, 0);
    DialogRun run(dialog, live);
    run.type(IDC_REMOTE_PORT, "5000");
    run.click(IDC_FIX_LOCAL_PORT);
    EXPECT_EQ(run.text(IDC_LOCAL_PORT), "9876");
    EXPECT_TRUE(run.controls[IDC_LOCAL_PORT].enabled);
    run.type(IDC_LOCAL_PORT, "7000");
    run.click(IDC_FIX_LOCAL_PORT);
    EXPECT_FALSE(run.controls[IDC_LOCAL_PORT].enabled);
    run.click(IDC_FIX_LOCAL_PORT);
    EXPECT_EQ(run.text(IDC_LOCAL_PORT), "7000");
}

TEST_F(ConnectDialogTest, NicknameIsCutToFifteenBytesWithoutSplittingACharacter)
{
    ConnectSettings live = settingsRecord("me", "relay.example", 0, 9876, 0);
    DialogRun run(dialog, live);
    // 2 + 7 x 2 bytes: the seventh character would end on byte 16, so it goes whole.
    std::string typed = "ab";
    for (int i = 0; i < 7; ++i)
        typed += NICHI_UTF8;
    run.type(IDC_NICKNAME, typed);
    run.click(IDOK);
    ASSERT_EQ(run.controls.endResult, IDOK);
    std::string expected = "ab";
    for (int i = 0; i < 6; ++i)
        expected += NICHI_CP932;
    EXPECT_EQ(std::string(live.nickname), expected);
}

TEST_F(ConnectDialogTest, ANicknameCharacterTheCodePageLacksIsRefused)
{
    ConnectSettings live = settingsRecord("me", "relay.example", 0, 9876, 0);
    DialogRun run(dialog, live);
    run.type(IDC_NICKNAME, "ab\xed\x95\x9c");  // a Hangul syllable
    run.expectOkRefused(TEXT_BAD_NICKNAME);
    EXPECT_STREQ(live.nickname, "me");

    run.type(IDC_NICKNAME, "ab");
    run.click(IDOK);
    EXPECT_EQ(run.controls.endResult, IDOK);
    EXPECT_STREQ(live.nickname, "ab");
}

TEST_F(ConnectDialogTest, DedicatedServerVariantOnlyEditsTheServerPort)
{
    ConnectSettings live = settingsRecord("", "localhost", 1, 9876, 0);
    DialogRun run(dialog, live, SERVER_CONNECT_DIALOG);
    EXPECT_FALSE(run.controls[IDCANCEL].enabled);
    EXPECT_EQ(run.text(IDC_REMOTE_PORT), "9876");
    run.type(IDC_REMOTE_PORT, "0");
    run.expectOkRefused(TEXT_BAD_SERVER_PORT);
    run.type(IDC_REMOTE_PORT, "12000");
    run.click(IDOK);
    ASSERT_EQ(run.controls.endResult, IDOK);
    EXPECT_EQ(live.serverMode, 1);
    EXPECT_EQ(live.localPort, 0);
    EXPECT_EQ(live.remotePort, 12000);
    EXPECT_STREQ(live.remoteHost, "localhost");
}
