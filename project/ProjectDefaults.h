#pragma once

#include "project/ConversionProject.h"

class SettingsStore;

// Reads the transition defaults from the "TransitionSettings" section of the settings.
ProjectDefaults loadProjectDefaults(const SettingsStore& settings);
