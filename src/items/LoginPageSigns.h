#pragma once

#include "base/Marketplace.h"

#include <QString>

// What the marketplaces answer instead of the page asked for when they want a login, a
// verification code or a slower client: their login forms, captcha and slider pages, and
// "访问过于频繁" pages. The sites send these with status 200, so only their content tells.
//
//     if (LoginPageSigns::anywhere(Platform::Taobao, page)) pauseTheRun();
namespace LoginPageSigns {

// Signs no page of shop, list or item content carries (the login form's own fields, the
// verification form, the "too many requests" words): a page holding one is that kind of page,
// whatever else it holds.
bool anywhere(Platform platform, const QString& cleanedPage);

// Looser signs, for a page already known not to be what was asked for (a shop page of no layout
// the walks know): a link to the login host or the words of a login box tell why it came.
bool onPageOfAnotherKind(Platform platform, const QString& cleanedPage);

} // namespace LoginPageSigns
