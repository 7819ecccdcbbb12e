// The texts the chat console shows and sends.
#pragma once

#include <QString>

// A message as the transcript shows it, from its text cleaned of tags
// (StripHtml, as the control's RemoveHtml does it, on the wire bytes): "&lt;",
// "&gt;" and "&amp;" decoded in that order, so "&amp;lt;" shows as "&lt;";
// then kept to one line of its own (ShownLine).
QString DisplayText(const QString& cleaned);

// What the console sends for a typed message: every "<" escaped as "&lt;"
// behind the markup prefix that sets the page and the font.
QString OutgoingMessage(const QString& typed);
