#pragma once

#include "base/Marketplace.h"
#include "crawl/PageSource.h"
#include "crawl/ShopWalk.h"

#include <QString>
#include <QStringList>

#include <array>

// Everything the program knows of one marketplace, in one place: which shop addresses it accepts and
// what their output files are called, how its pages are encoded and how its shop page is recognised,
// how its items are told apart, how long to pause between items, and the walk over its shops. A
// further marketplace is its description here, its walk, its item parser and their tests.
struct MarketplaceDescription {
    Platform platform;
    // Whether the normalised, lower-cased address is a shop of this marketplace.
    bool (*acceptsAddress)(const QString& lowerAddress);
    // The part of an accepted address that names the shop in the output file's name.
    QString (*shopPart)(const QString& lowerAddress);
    QString outputPrefix; // the output base name is this and the shop part
    PageSource::Encoding pageEncoding;
    // One of these is on every shop page a walk can read; the check before the run looks for them
    // in the very page the walk then reads. Where the marketplace has several shop page layouts,
    // the walk tells them apart by these markers: the first layout's first. PaiPai's one marker
    // heads the shop's total; eBay's are the link to the all-items list, then the words before
    // the total that list states.
    QStringList shopPageMarkers;
    // What the marketplace puts after the shop's name in its pages' titles, the longest first.
    QStringList shopTitleEndings;
    // The query value that identifies an item in its address; empty: the address's last path
    // segment.
    QString itemKeyQuery;
    int pauseMs; // the politeness pause after each item page
    ShopWalk walk;
};

const std::array<MarketplaceDescription, 3>& marketplaceDescriptions();
const MarketplaceDescription& describeMarketplace(Platform platform);
