#include "scan/serialsettings.h"

namespace pelorin {

namespace {

constexpr int kRates[] = {SerialSettings::kCustomRate,
                          110,
                          300,
                          600,
                          1200,
                          2400,
                          4800,
                          9600,
                          14400,
                          19200,
                          38400,
                          56000,
                          57600,
                          115200,
                          128000,
                          256000};

int indexIgnoringCase(const QStringList& texts, const QString& text)
{
    for (qsizetype i = 0; i < texts.size(); ++i)
        if (texts[i].compare(text, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

} // namespace

QStringList settingTexts(SerialSetting which)
{
    switch (which) {
    case SerialSetting::Port:
        break;
    case SerialSetting::BaudRate: {
        QStringList texts{QStringLiteral("Custom")};
        for (const int rate : kRates)
            if (rate != SerialSettings::kCustomRate)
                texts << QString::number(rate);
        return texts;
    }
    case SerialSetting::DataBits:
        return {QStringLiteral("5"), QStringLiteral("6"), QStringLiteral("7"), QStringLiteral("8")};
    case SerialSetting::Parity:
        return {QStringLiteral("None"), QStringLiteral("Odd"), QStringLiteral("Even"), QStringLiteral("Mark"),
                QStringLiteral("Space")};
    case SerialSetting::StopBits:
        return {QStringLiteral("1"), QStringLiteral("1.5"), QStringLiteral("2")};
    }
    return {};
}

QString settingText(const SerialSettings& settings, SerialSetting which)
{
    const QStringList texts = settingTexts(which);
    switch (which) {
    case SerialSetting::Port:
        return settings.port;
    case SerialSetting::BaudRate:
        // a rate the window does not list (one given on the command line) is shown as it is
        for (int i = 0; i < int(std::size(kRates)); ++i)
            if (kRates[i] == settings.baudRate)
                return texts[i];
        return QString::number(settings.baudRate);
    case SerialSetting::DataBits:
        return QString::number(settings.dataBits);
    case SerialSetting::Parity:
        return texts.value(int(settings.parity));
    case SerialSetting::StopBits:
        return texts.value(int(settings.stopBits));
    }
    return QString();
}

void setSettingFromText(SerialSettings& settings, SerialSetting which, const QString& text)
{
    const int i = indexIgnoringCase(settingTexts(which), text);
    switch (which) {
    case SerialSetting::Port:
        settings.port = text;
        break;
    case SerialSetting::BaudRate:
        settings.baudRate = i < 0 ? 9600 : kRates[i];
        break;
    case SerialSetting::DataBits:
        settings.dataBits = i < 0 ? 8 : 5 + i;
        break;
    case SerialSetting::Parity:
        settings.parity = i < 0 ? SerialSettings::Parity::None : SerialSettings::Parity(i);
        break;
    case SerialSetting::StopBits:
        settings.stopBits = i < 0 ? SerialSettings::StopBits::One : SerialSettings::StopBits(i);
        break;
    }
}

} // namespace pelorin
