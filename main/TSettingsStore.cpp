#include "main/TSettingsStore.h"

#include <QFileInfo>
#include <QSettings>
#include <QVariant>

#include <limits>

namespace {

const char* const Organization = "Quarnix";
const char* const Application = "Vidrelo";

struct TIndexValue {
    const char* Name;
    int TPersistedSettings::*Field;
};

struct TTextValue {
    const char* Name;
    QString TLastEditedValues::*Field;
};

const TIndexValue RecentIndices[] = {
    {"recentformatind", &TPersistedSettings::RecentFormatInd},
    {"recentprofileind", &TPersistedSettings::RecentProfileInd},
};

const TIndexValue LastEditedIndices[] = {
    {"lasteditedformatind", &TPersistedSettings::LastEditedFormatInd},
    {"lasteditedprofileind", &TPersistedSettings::LastEditedProfileInd},
};

// In the order they are written.
const TTextValue LastEditedTexts[] = {
    {"videocodecname", &TLastEditedValues::VideoCodecName},
    {"videobitrate", &TLastEditedValues::VideoBitRate},
    {"framerate", &TLastEditedValues::FrameRate},
    {"videowidth", &TLastEditedValues::VideoWidth},
    {"videoheight", &TLastEditedValues::VideoHeight},
    {"audiocodecname", &TLastEditedValues::AudioCodecName},
    {"audiobitrate", &TLastEditedValues::AudioBitRate},
    {"samplerate", &TLastEditedValues::SampleRate},
    {"channels", &TLastEditedValues::Channels},
};

// A 32-bit integer as stored: an int written in this session, or its text
// as the file holds it. Anything else does not count.
bool ToInt32(const QVariant& AValue, int& AResult)
{
    bool ok = false;
    qlonglong value = 0;
    switch (AValue.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        value = AValue.toLongLong(&ok);
        break;
    case QMetaType::QString:
        value = AValue.toString().trimmed().toLongLong(&ok);
        break;
    default:
        return false;
    }
    if (!ok || value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return false;
    AResult = static_cast<int>(value);
    return true;
}

}  // namespace

TSettingsStore::TSettingsStore(TSettingsLog AOnLog, TSettingsReport AOnReport)
    : FOnLog(std::move(AOnLog)), FOnReport(std::move(AOnReport))
{
}

QString TSettingsStore::FileName()
{
    return QSettings(Organization, Application).fileName();
}

void TSettingsStore::Log(const QString& AText) const
{
    if (FOnLog)
        FOnLog(AText);
}

namespace {

QString ExistingFolder(const QString& APath)
{
    return !APath.isEmpty() && QFileInfo(APath).isDir() ? APath : QString();
}

void ReadIndex(const QSettings& AStore, const char* AName, int& AValue, const TSettingsLog& OnLog)
{
    const QString name = QString::fromLatin1(AName);
    if (!AStore.contains(name))
        return;
    if (!ToInt32(AStore.value(name), AValue) && OnLog)
        OnLog(QStringLiteral("Settings value \"%1\" is not a 32-bit integer and is ignored").arg(name));
}

void ReadText(const QSettings& AStore, const char* AName, QString& AValue, const TSettingsLog& OnLog)
{
    const QString name = QString::fromLatin1(AName);
    if (!AStore.contains(name))
        return;
    const QVariant value = AStore.value(name);
    if (value.typeId() == QMetaType::QString)
        AValue = value.toString();
    else if (OnLog)
        OnLog(QStringLiteral("Settings value \"%1\" is not a text and is ignored").arg(name));
}

}  // namespace

TPersistedSettings TSettingsStore::ReadSettings(const TUserFolders& AFolders) const
{
    TPersistedSettings settings;
    settings.ScreenShotsPath = ExistingFolder(AFolders.SnapshotsFolder);
    settings.OutputPath = ExistingFolder(AFolders.OutputFolder);
    const QSettings store(Organization, Application);
    if (store.status() != QSettings::NoError) {
        Log(QStringLiteral("Settings cannot be read from %1; the defaults are used").arg(store.fileName()));
        return settings;
    }
    ReadText(store, "OutputPath", settings.OutputPath, FOnLog);
    ReadText(store, "ScreenShotsPath", settings.ScreenShotsPath, FOnLog);
    for (const TIndexValue& index : RecentIndices)
        ReadIndex(store, index.Name, settings.*index.Field, FOnLog);
    for (const TIndexValue& index : LastEditedIndices)
        ReadIndex(store, index.Name, settings.*index.Field, FOnLog);
    for (const TTextValue& text : LastEditedTexts)
        ReadText(store, text.Name, settings.LastEdited.*text.Field, FOnLog);
    return settings;
}

bool TSettingsStore::WriteSettings(const TPersistedSettings& ASettings) const
{
    QSettings store(Organization, Application);
    store.setValue(QStringLiteral("OutputPath"), ASettings.OutputPath);
    store.setValue(QStringLiteral("ScreenShotsPath"), ASettings.ScreenShotsPath);
    for (const TIndexValue& index : RecentIndices)
        store.setValue(QString::fromLatin1(index.Name), ASettings.*index.Field);
    if (ASettings.LastEditedFormatInd >= 0 && ASettings.LastEditedProfileInd >= 0) {
        for (const TIndexValue& index : LastEditedIndices)
            store.setValue(QString::fromLatin1(index.Name), ASettings.*index.Field);
        for (const TTextValue& text : LastEditedTexts)
            store.setValue(QString::fromLatin1(text.Name), ASettings.LastEdited.*text.Field);
    }
    store.sync();
    if (store.status() == QSettings::NoError)
        return true;
    if (FOnReport)
        FOnReport(QStringLiteral("Error writing data to Registry"), QStringLiteral("CLM_RegDataWrite"));
    return false;
}
