#include "shell/connect_settings_store.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/support/scratch_folder.h"
#include "tests/support/settings_record.h"

namespace {

class ConnectSettingsStore : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        ASSERT_EQ(store.open(folder.file("kovaro.ini").c_str(), SETTINGS_SECTION), 0);
    }

    ConnectSettings loaded()
    {
        ConnectSettings settings;
        std::memset(&settings, 0xAA, sizeof(settings));
        EXPECT_EQ(loadConnectSettings(store, settings), 0u);
        return settings;
    }

    ScratchFolder folder;
    SettingsStore store{};
};

// Zeroing the record shows in the bytes after each text's terminator.
void expectZeroAfterText(const char* field, size_t capacity)
{
    for (size_t i = std::strlen(field); i < capacity; ++i)
        EXPECT_EQ(field[i], '\0') << "byte " << i;
}

}  // namespace

TEST_F(ConnectSettingsStore, DefaultsWithoutAFile)
{
    ConnectSettings settings = loaded();
    EXPECT_STREQ(settings.nickname, "unnamed");
    EXPECT_STREQ(settings.remoteHost, "");
    EXPECT_EQ(settings.remotePort, 9876);
    EXPECT_EQ(settings.serverMode, 1);
    EXPECT_EQ(settings.localPort, 0);
    expectZeroAfterText(settings.nickname, sizeof(settings.nickname));
    expectZeroAfterText(settings.remoteHost, sizeof(settings.remoteHost));
    WindowPosition position = loadWindowPosition(store);
    EXPECT_EQ(position.left, 0);
    EXPECT_EQ(position.top, 0);
    EXPECT_FALSE(fileExists(store.iniPath));
}

TEST_F(ConnectSettingsStore, SaveWritesUtf8InOrderAndLoadsBackCp932)
{
    // "日本" in code page 932.
    ConnectSettings saved = settingsRecord("\x93\xFA\x96\x7B", "example.org", 0, 12345, 5000);
    EXPECT_EQ(saveConnectSettings(store, saved), 0u);
    EXPECT_EQ(readBytes(store.iniPath),
              "[torvik]\n"
              "NickName=日本\n"
              "RemoteHost=example.org\n"
              "LocalPort=5000\n"
              "ServerMode=0\n"
              "RemotePort=12345\n");
    ConnectSettings settings = loaded();
    EXPECT_EQ(std::memcmp(&settings, &saved, sizeof(settings)), 0);
}

TEST_F(ConnectSettingsStore, LongTextIsCutToTheRecordWithoutSplittingACharacter)
{
    writeBytes(store.iniPath, "[torvik]\nNickName=あいうえおかきく\nRemoteHost=" + std::string(300, 'h') + "\n");
    ConnectSettings settings = loaded();
    // Eight characters are 16 bytes; seven fit in 15.
    EXPECT_STREQ(settings.nickname, "\x82\xA0\x82\xA2\x82\xA4\x82\xA6\x82\xA8\x82\xA9\x82\xAB");
    EXPECT_EQ(std::string(settings.remoteHost), std::string(255, 'h'));

    writeBytes(store.iniPath, "[torvik]\nNickName=abcdefghijklmnあ\n");
    EXPECT_STREQ(loaded().nickname, "abcdefghijklmn");
    // Half-width katakana: 3 bytes each in the file, 1 byte each in the record.
    writeBytes(store.iniPath, "[torvik]\nNickName=ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀ\n");
    EXPECT_STREQ(loaded().nickname, "\xB1\xB2\xB3\xB4\xB5\xB6\xB7\xB8\xB9\xBA\xBB\xBC\xBD\xBE\xBF");
}

TEST_F(ConnectSettingsStore, UnmappableCharactersAreReplacedAndReported)
{
    writeBytes(store.iniPath, "[torvik]\nNickName=a€b\nRemoteHost=h\xFFst\n");
    ConnectSettings settings{};
    EXPECT_EQ(loadConnectSettings(store, settings), 2u);
    EXPECT_STREQ(settings.nickname, "a?b");
    EXPECT_STREQ(settings.remoteHost, "h?st");

    // A lead byte without its trail byte cannot be written as UTF-8 either.
    EXPECT_EQ(saveConnectSettings(store, settingsRecord("ok\x82", "host", 1, 1, 1)), 1u);
    EXPECT_STREQ(loaded().nickname, "ok?");
}

TEST_F(ConnectSettingsStore, HandWrittenFileKeepsItsOtherLinesAndSpelling)
{
    const std::string before =
        "; kovaro settings\n"
        "[TORVIK]\n"
        "nickname = Bob\n"
        "Comment=keep me\n"
        "REMOTEPORT=1\n"
        "\n"
        "[Elsewhere]\n"
        "Left=77\n";
    writeBytes(store.iniPath, before);
    ConnectSettings settings = loaded();
    EXPECT_STREQ(settings.nickname, "Bob");
    EXPECT_EQ(settings.remotePort, 1);

    saveWindowPosition(store, WindowPosition{-1920, 35});
    EXPECT_EQ(readBytes(store.iniPath),
              "; kovaro settings\n"
              "[TORVIK]\n"
              "nickname = Bob\n"
              "Comment=keep me\n"
              "REMOTEPORT=1\n"
              "Left=-1920\n"
              "Top=35\n"
              "\n"
              "[Elsewhere]\n"
              "Left=77\n");
    WindowPosition position = loadWindowPosition(store);
    EXPECT_EQ(position.left, -1920);
    EXPECT_EQ(position.top, 35);
}

TEST_F(ConnectSettingsStore, DedicatedServerUsesOnlyRemotePort)
{
    writeBytes(store.iniPath, "[torvik]\nNickName=x\nRemoteHost=far\nServerMode=0\nLocalPort=7\nRemotePort=5555\n");
    ConnectSettings settings;
    std::memset(&settings, 0xAA, sizeof(settings));
    loadServerConnectSettings(store, settings);
    EXPECT_STREQ(settings.nickname, "");
    EXPECT_STREQ(settings.remoteHost, "localhost");
    EXPECT_EQ(settings.serverMode, 1);
    EXPECT_EQ(settings.localPort, 0);
    EXPECT_EQ(settings.remotePort, 5555);
    expectZeroAfterText(settings.nickname, sizeof(settings.nickname));
    expectZeroAfterText(settings.remoteHost, sizeof(settings.remoteHost));

    ASSERT_EQ(std::remove(store.iniPath), 0);
    loadServerConnectSettings(store, settings);
    EXPECT_EQ(settings.remotePort, 9876);
    settings.remotePort = 6000;
    saveServerConnectSettings(store, settings);
    EXPECT_EQ(readBytes(store.iniPath), "[torvik]\nRemotePort=6000\n");
}

TEST_F(ConnectSettingsStore, VoiceProcessingSwitchIsOffOnlyWhenItsKeyHoldsZero)
{
    EXPECT_EQ(packSwitches(loadVoiceProcessingSwitches(store)), 7);
    writeBytes(store.iniPath, "[torvik]\nEchoCancel=0\nNoiseSuppression=-1\nAutoGain=\n");
    EXPECT_EQ(packSwitches(loadVoiceProcessingSwitches(store)), 2 | 4);
    writeBytes(store.iniPath, "[torvik]\nEchoCancel=2\nNoiseSuppression=1\nAutoGain=0\n");
    EXPECT_EQ(packSwitches(loadVoiceProcessingSwitches(store)), 1 | 2);

    // A save writes its own key as 0 or 1 and leaves the others as they were.
    saveVoiceProcessingSwitch(store, VOICE_PROCESSING_KEYS[0], VoiceProcessingSwitches{true, false, false});
    saveVoiceProcessingSwitch(store, VOICE_PROCESSING_KEYS[1], VoiceProcessingSwitches{true, false, false});
    EXPECT_EQ(readBytes(store.iniPath), "[torvik]\nEchoCancel=1\nNoiseSuppression=0\nAutoGain=0\n");
}

TEST_F(ConnectSettingsStore, TwoProgramsInOneFolderKeepSeparateFiles)
{
    char clientPath[SETTINGS_PATH_CAPACITY];
    char serverPath[SETTINGS_PATH_CAPACITY];
    ASSERT_GT(settingsFileBeside(folder.file("kovaro").c_str(), clientPath, sizeof(clientPath)), 0);
    ASSERT_GT(settingsFileBeside(folder.file("kovarosrv").c_str(), serverPath, sizeof(serverPath)), 0);
    SettingsStore client{};
    SettingsStore server{};
    ASSERT_EQ(client.open(clientPath, SETTINGS_SECTION), 0);
    ASSERT_EQ(server.open(serverPath, SETTINGS_SECTION), 0);

    saveConnectSettings(client, settingsRecord("me", "relay", 0, 1111, 0));
    saveWindowPosition(client, WindowPosition{10, 20});
    ConnectSettings serverSettings{};
    serverSettings.remotePort = 2222;
    saveServerConnectSettings(server, serverSettings);
    saveWindowPosition(server, WindowPosition{30, 40});

    ConnectSettings clientLoaded{};
    loadConnectSettings(client, clientLoaded);
    loadServerConnectSettings(server, serverSettings);
    EXPECT_EQ(clientLoaded.remotePort, 1111);
    EXPECT_EQ(serverSettings.remotePort, 2222);
    EXPECT_EQ(loadWindowPosition(client).left, 10);
    EXPECT_EQ(loadWindowPosition(server).top, 40);
}
