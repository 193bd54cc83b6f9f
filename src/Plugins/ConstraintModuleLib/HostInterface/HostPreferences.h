#pragma once
// The user's preferences (the global rxPref): colours, flags and numbers by key.
#include "Preference/PR_Preference.h"
