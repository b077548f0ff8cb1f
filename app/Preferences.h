// The stored preferences: the settings a new document takes (digits, font,
// 3D background, side-by-side panes) and the renderer choice. They live in
// the user's settings file under Kestrane/Vellumor, which anyone can edit:
// every value read is checked, and a damaged or out-of-range one keeps its
// default.
#pragma once

#include "document/DocumentHooks.h"

class QSettings;

// The process-wide values; defaults until loaded.
DocumentPreferences& GetPreferences();
// Every preference back to its default; hardware acceleration to "not set".
void SetDefaultPreferences();

// Defaults first, then whatever the store holds; false (defaults kept) when
// the store holds no preferences or cannot be read.
bool LoadPreferences();
bool LoadPreferencesFrom(const QSettings& settings);
// Writes the seven values; false when the store cannot be written.
bool SavePreferences();
bool SavePreferencesTo(QSettings& settings);

// Deletes every stored setting of the program, also those kept under its
// former name; a store that cannot be changed is reported to the user.
bool ResetRegistrySettings();
