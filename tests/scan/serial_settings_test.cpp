#include "scan/serialsettings.h"
#include "serial_pty.h"

#include <gtest/gtest.h>

using namespace pelorin;

TEST(SerialSettingsTexts, EveryOfferedTextComesBackAsItself)
{
    const struct
    {
        SerialSetting setting;
        const char* texts;
    } cases[] = {
        {SerialSetting::BaudRate, "Custom,110,300,600,1200,2400,4800,9600,14400,19200,38400,56000,57600,115200,128000,"
                                  "256000"},
        {SerialSetting::DataBits, "5,6,7,8"},
        {SerialSetting::Parity, "None,Odd,Even,Mark,Space"},
        {SerialSetting::StopBits, "1,1.5,2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.texts);
        const QStringList texts = settingTexts(c.setting);
        EXPECT_EQ(texts.join(','), c.texts);
        QStringList shown;
        for (const QString& text : texts) {
            SerialSettings s;
            // matched ignoring letter case
            setSettingFromText(s, c.setting, text.toUpper());
            shown << settingText(s, c.setting);
        }
        EXPECT_EQ(shown, texts);
    }
    EXPECT_TRUE(settingTexts(SerialSetting::Port).isEmpty());
}

TEST(SerialSettingsTexts, TheValuesBehindTheTextsAndTheDefaults)
{
    SerialSettings s;
    EXPECT_EQ(settingText(s, SerialSetting::Port), "COM1");
    EXPECT_EQ(settingText(s, SerialSetting::BaudRate), "9600");
    EXPECT_EQ(settingText(s, SerialSetting::DataBits), "8");
    EXPECT_EQ(settingText(s, SerialSetting::Parity), "None");
    EXPECT_EQ(settingText(s, SerialSetting::StopBits), "1");

    setSettingFromText(s, SerialSetting::BaudRate, "14400");
    EXPECT_EQ(s.lineRate(), 14400);
    setSettingFromText(s, SerialSetting::BaudRate, "custom");
    EXPECT_EQ(s.baudRate, SerialSettings::kCustomRate);
    EXPECT_EQ(s.lineRate(), 9600);
    setSettingFromText(s, SerialSetting::DataBits, "7");
    EXPECT_EQ(s.dataBits, 7);
    setSettingFromText(s, SerialSetting::Parity, "mARk");
    EXPECT_EQ(s.parity, SerialSettings::Parity::Mark);
    setSettingFromText(s, SerialSetting::StopBits, "1.5");
    EXPECT_EQ(s.stopBits, SerialSettings::StopBits::OneAndHalf);
    setSettingFromText(s, SerialSetting::Port, "ttyUSB0");
    EXPECT_EQ(s.port, "ttyUSB0");

    // a text none matches gives the default
    setSettingFromText(s, SerialSetting::BaudRate, "9601");
    setSettingFromText(s, SerialSetting::DataBits, "9");
    setSettingFromText(s, SerialSetting::Parity, "");
    setSettingFromText(s, SerialSetting::StopBits, "1,5");
    s.port = SerialSettings().port;
    EXPECT_EQ(s, SerialSettings());

    // a rate the list does not offer (from the command line) shows as itself
    s.baudRate = 250000;
    EXPECT_EQ(settingText(s, SerialSetting::BaudRate), "250000");
}
