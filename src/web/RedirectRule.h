#pragma once

class QUrl;

// Which redirects the fetcher follows. A page of a marketplace may send the program on to the
// same host or to another host of the marketplaces (a picture server, an item server), over
// plain HTTP on the same port. Anything else (another host, a bare address such as a private or
// link-local one, HTTPS, which a proxy would tunnel unseen) is where a hostile page could point
// the program, and is refused.
bool isFollowableRedirect(const QUrl& from, const QUrl& to);
