// Where wire bytes meet the text the user sees and types.
//
// The control works in bytes. What arrives is decoded as UTF-8 when it is
// valid UTF-8 and as Latin-1 otherwise, so that every byte sequence shows as
// something; what the user types goes out as UTF-8.
#pragma once

#include <QString>
#include <string>

QString FromWire(const std::string& bytes);
std::string ToWire(const QString& text);

// Whether two screen names denote the same person: equal once lowered and
// stripped of spaces, as the control keys its occupants.
bool SamePerson(const QString& a, const QString& b);

// The box text as the control normalizes names: ASCII letters lowered, every
// space removed, every other character kept.
QString NormalizeText(const QString& text);
