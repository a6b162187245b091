#pragma once

#include "base/Marketplace.h"

#include <QString>

// Address rules of the collect command: which addresses a platform accepts and what the output
// file of a shop is called.
namespace ShopAddress {

// True when the (lower-cased) address is at least 19 characters long, holds "shop", and is a
// plain http address whose host ends in the Taobao domain suffix.
bool IsTaobaoShopUrl(const QString& address);

// Whether the lower-cased address is acceptable for the platform (an Option1 index).
bool IsAcceptedFor(int platform, const QString& lowerAddress);

// Output base name of an accepted, lower-cased address: the platform's prefix and the shop part.
QString OutputBaseName(int platform, const QString& lowerAddress);

// What follows the base name for a format: the three older formats keep the names they always
// had; the current Taobao layout gets its own file, so it never continues a file of another layout.
QString FormatNameSuffix(FileFormat format);

// Turns the shop part of an address into something that can only name a file directly inside the
// program's folder: trailing "/" dropped, "..", separators and reserved characters become "_".
QString SanitizeFileNamePart(const QString& text);

// The message shown when the address is rejected for the platform.
QString RejectionMessage(int platform);

} // namespace ShopAddress
