#pragma once

#include "settings/SettingsLock.h"

#include <QString>

#include <memory>

// The message shown when another window works with the settings file at SettingsPath.
QString SettingsInUseText(const QString &SettingsPath);

// Takes the lock on the settings file a window is about to use. When another window holds it,
// says so in a message box and returns null: the caller must not open its window, so that
// neither window saves over the other's changes.
std::unique_ptr<TSettingsLock> ClaimSettingsFile(const QString &SettingsPath);
