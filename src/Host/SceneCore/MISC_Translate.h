#pragma once
// Display texts pass through the application's translators (none are installed by the stand-in,
// so the Latin-1 text comes back unchanged). The context names the class the text belongs to.
#include <QString>

QString MISC_translateFromLatin1(const char* context, const char* text, const char* disambiguation);
