#pragma once

#include <QByteArray>
#include <QString>

// Text cleaning and HTML helpers shared by the fetcher, crawlers, parsers and converter.

// One page as one line: "  " removed, '"' to '\'', then TAB, CR, LF and every other control
// character (C0, DEL, C1) removed.
QString CleanPageText(const QString& text);
// CleanPageText, then ',' to the full-width comma, so the value can stand unquoted in a CSV row.
QString CleanFieldText(const QString& text);
// The text enclosed in double quotes, as the assistants' quoted fields are written.
QString Quoted(const QString& text);
// Tags removed (non-greedy, a tag never spans a line break), then closing tags exposed by that.
QString StripTags(const QString& text);
// The first href='...' value. Throws StepError when the marker or the closing apostrophe is missing.
QString ExtractHref(const QString& fragment);
// mode 0: the first href value; otherwise the first src value with ".jpg_sum.jpg" made ".jpg".
QString ExtractLinkOrPictureSum(const QString& fragment, int mode);
// mode 0: the first href value; otherwise the first src value with ".jpg_m.jpg" made ".jpg".
QString ExtractLinkOrPictureMedium(const QString& fragment, int mode);
// UTF-8 bytes up to the first zero byte, as text (invalid sequences become U+FFFD).
QString DecodeUtf8(const QByteArray& bytes);
