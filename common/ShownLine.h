// Network text as it is shown on one line of the transcript or in an alert.
//
// A message or a screen name must not pass itself off as something else: a
// line break inside it would start what looks like another person's line,
// and a bidirectional embedding, override or isolate control would reorder
// the text that follows it. Each line break (CR LF counting as one) shows as
// a visible mark, and those controls are removed: the text is plain, so they
// carry nothing the reader needs, and letters of right-to-left scripts still
// show in their own order without them.
#pragma once

#include <QString>

QString ShownLine(const QString& text);
