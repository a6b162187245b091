#pragma once

#include "base/Marketplace.h"

#include <QString>

#include <optional>

// Address rules of the collect command: which addresses a platform accepts and what the output
// file of a shop is called.
namespace ShopAddress {

// The address as every rule sees it: spaces around it dropped, lower case, "https://" read as
// "http://" and "http://" added when no scheme was typed. Empty stays empty.
QString normalize(const QString& typed);

// The platform whose rule accepts the normalised address; none when no rule does.
std::optional<Platform> platformOfAddress(const QString& lowerAddress);

// "这是淘宝店铺地址，请选择淘宝" and the like, for an address of another platform than the chosen one.
QString otherPlatformMessage(Platform addressPlatform);

// True when the (lower-cased) address is at least 19 characters long, holds "shop", and is a
// plain http address whose host ends in the Taobao domain suffix.
bool isTaobaoShopUrl(const QString& address);

// Whether the lower-cased address is acceptable for the platform.
bool isAcceptedFor(Platform platform, const QString& lowerAddress);

// Output base name of an accepted, lower-cased address: the platform's prefix and the shop part.
QString outputBaseName(Platform platform, const QString& lowerAddress);

// What the output base name gets when the format is not the platform's own ("_PaiPai" for a
// Taobao shop written for the PaiPai assistant): files of different layouts never share a name.
QString formatSuffix(Platform platform, FileFormat format);

// Turns the shop part of an address into something that can only name a file directly inside the
// program's folder: trailing "/" dropped, "..", separators and reserved characters become "_".
QString sanitizeFileNamePart(const QString& text);

// The message shown when the address is rejected for the platform.
QString rejectionMessage(Platform platform);

} // namespace ShopAddress
