#pragma once

#include <QString>

// Part of the system seam (base/System.h), kept apart because only the page fetcher needs it.
namespace System {

// The proxy the http_proxy variable names ("http://host:port") where the system's own proxy
// lookup does not read that variable, else empty. Qt reads it on Linux; on Windows Qt asks only
// the system's Internet settings, and a seller's or a test's http_proxy would go unheard.
QString proxyFromEnvironment();

} // namespace System
