#include "items/LoginPageSigns.h"

#include <QStringList>

#include <array>

namespace {

// Pages are compared as the fetcher hands them over: double quotes made single, runs of two
// spaces and control characters gone, so each sign is written without either.
struct SiteSigns {
    Platform platform;
    QStringList anywhere;
    QStringList onOtherPages;
};

const std::array<SiteSigns, 3>& siteSigns() {
    static const std::array<SiteSigns, 3> table{{
        {Platform::Taobao,
         {QStringLiteral("TPL_username"), QStringLiteral("TPL_password"),
          QStringLiteral("action='https://login.taobao.com"), QStringLiteral("nc_1_n1z"),
          QStringLiteral("亲，访问受限了")},
         {QStringLiteral("login.taobao.com"), QStringLiteral("请登录后")}},
        {Platform::PaiPai,
         {QStringLiteral("xui.ptlogin2.qq.com"), QStringLiteral("name='verifycode'"),
          QStringLiteral("/cgi-bin/verifycode")},
         {QStringLiteral("ptlogin2.qq.com"), QStringLiteral("请先登录")}},
        {Platform::Ebay,
         {QStringLiteral("name='SignInForm'"), QStringLiteral("action='https://signin.ebay.com.cn")},
         {QStringLiteral("signin.ebay.com.cn"), QStringLiteral("请登录")}},
    }};
    return table;
}

// What every site, and the proxies in front of them, say when a client asks too often.
const QStringList kEverySite{
    QStringLiteral("访问过于频繁"),
    QStringLiteral("访问太频繁"),
    QStringLiteral("请输入验证码"),
    QStringLiteral("Too Many Requests"),
};
const QStringList kEverySiteOnOtherPages{
    QStringLiteral("用户登录"),
    QStringLiteral("安全验证"),
    QStringLiteral("验证码"),
    QStringLiteral("captcha"),
};

bool containsAny(const QString& text, const QStringList& signs) {
    for (const QString& sign : signs) {
        if (text.contains(sign, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

const SiteSigns& signsOf(Platform platform) {
    for (const SiteSigns& row : siteSigns()) {
        if (row.platform == platform)
            return row;
    }
    return siteSigns().front();
}

} // namespace

namespace LoginPageSigns {

bool anywhere(Platform platform, const QString& cleanedPage) {
    return containsAny(cleanedPage, kEverySite) || containsAny(cleanedPage, signsOf(platform).anywhere);
}

bool onPageOfAnotherKind(Platform platform, const QString& cleanedPage) {
    return anywhere(platform, cleanedPage) || containsAny(cleanedPage, kEverySiteOnOtherPages) ||
           containsAny(cleanedPage, signsOf(platform).onOtherPages);
}

} // namespace LoginPageSigns
