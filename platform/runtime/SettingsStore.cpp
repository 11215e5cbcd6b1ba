#include "platform/runtime/SettingsStore.h"

#include <QSettings>
#include <QStringList>

#include "platform/runtime/Failure.h"

namespace platform {

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

std::string GetSetting(const std::string& application, const std::string& section,
                       const std::string& key, const std::string& defaultText) {
    QSettings store(QSettings::IniFormat, QSettings::UserScope, Q(application), Q(application));
    store.beginGroup(Q(section));
    if (!store.contains(Q(key))) {
        return defaultText;
    }
    const QVariant value = store.value(Q(key));
    // INI values with commas come back as lists; put the text back together so that the
    // caller sees what is stored rather than a part of it.
    if (value.typeId() == QMetaType::QStringList) {
        return value.toStringList().join(QStringLiteral(", ")).toStdString();
    }
    return value.toString().toStdString();
}

void SaveSetting(const std::string& application, const std::string& section, const std::string& key,
                 const std::string& text) {
    QSettings store(QSettings::IniFormat, QSettings::UserScope, Q(application), Q(application));
    store.beginGroup(Q(section));
    store.setValue(Q(key), Q(text));
    store.endGroup();
    store.sync();
    if (store.status() != QSettings::NoError) {
        Raise(FailureKind::CallFailed,
              "cannot write the settings file " + store.fileName().toStdString());
    }
}

}  // namespace platform
