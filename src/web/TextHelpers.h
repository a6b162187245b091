#pragma once

#include <QByteArray>
#include <QString>

// Text cleaning and HTML helpers shared by the fetcher, crawlers, parsers and converter.

// One page as one line: "  " removed, '"' to '\'', then TAB, CR, LF and every other control
// character (C0, DEL, C1) removed.
// (formerly CleanPageText)
QString cleanPageText(const QString& text);
// cleanPageText, then ',' to the full-width comma, so the value can stand unquoted in a CSV row.
// (formerly CleanFieldText)
QString cleanFieldText(const QString& text);
// The text enclosed in double quotes, as the assistants' quoted fields are written.
// (formerly Quoted)
QString quoted(const QString& text);
// Tags removed (non-greedy, a tag never spans a line break), then closing tags exposed by that.
// (formerly StripTags)
QString stripTags(const QString& text);
// The first href='...' value. Throws StepError when the marker or the closing apostrophe is missing.
// (formerly ExtractHref)
QString extractHref(const QString& fragment);
// mode 0: the first href value; otherwise the first src value with ".jpg_sum.jpg" made ".jpg".
// (formerly ExtractLinkOrPictureSum)
QString extractLinkOrPictureSum(const QString& fragment, int mode);
// mode 0: the first href value; otherwise the first src value with ".jpg_m.jpg" made ".jpg".
// (formerly ExtractLinkOrPictureMedium)
QString extractLinkOrPictureMedium(const QString& fragment, int mode);
// UTF-8 bytes up to the first zero byte, as text (invalid sequences become U+FFFD).
// (formerly DecodeUtf8)
QString decodeUtf8(const QByteArray& bytes);
