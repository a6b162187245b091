#include "crawl/TaobaoShopWalk.h"

#include "base/MarketplaceAddresses.h"
#include "base/Step.h"
#include "base/StopSignal.h"
#include "crawl/MarketplaceDescription.h"
#include "crawl/ShopSummary.h"
#include "formats/NumberFormat.h"
#include "items/ParseTaobaoItem.h"
#include "text/Cut.h"
#include "text/EntityDecoder.h"
#include "text/TextHelpers.h"

#include <QRegularExpression>

#include <functional>

namespace {

constexpr int kItemsPerPage = 20;

const QString kParentSeparator = QStringLiteral("\\\\\\");

QRegularExpression caseInsensitive(const QString& pattern) {
    return QRegularExpression(pattern, QRegularExpression::CaseInsensitiveOption);
}

const QRegularExpression& categoryEntryPattern() {
    static const QRegularExpression pattern = caseInsensitive(QStringLiteral("<li(.+?)'>.+?</li>"));
    return pattern;
}

// How one kind of list page is cut down to its item cells and how a cell is read.
struct ListRule {
    QString (*cut)(const QString& page);
    const QRegularExpression& (*cellPattern)();
    QString emptyCell;
    QString (*readCell)(const QString& cell, int mode);
};

QString keepBetween(const QString& page, const QString& start, const QString& end) {
    QString kept = page;
    if (Cut::contains(kept, start))
        kept = Cut::from(kept, start);
    if (Cut::contains(kept, end))
        kept = Cut::before(kept, end);
    return kept;
}

const ListRule& listRule1() {
    static const ListRule rule{
        [](const QString& page) -> QString {
            return keepBetween(page, QStringLiteral("<div id='ListViewHead'>"),
                               QStringLiteral("<div id='GuestBook'>"));
        },
        []() -> const QRegularExpression& {
            static const QRegularExpression pattern =
                caseInsensitive(QStringLiteral("<div class='ItemPic'>.+?</div>"));
            return pattern;
        },
        QStringLiteral("<div class='ItemPic'>&nbsp;</div>"),
        extractLinkOrPictureSum,
    };
    return rule;
}

const ListRule& listRule2() {
    static const ListRule rule{
        [](const QString& page) -> QString {
            return keepBetween(page, QStringLiteral("<ul class='shop-list'>"),
                               QStringLiteral("<div class='pagination  page-mini'>"));
        },
        []() -> const QRegularExpression& {
            static const QRegularExpression pattern =
                caseInsensitive(QStringLiteral("<div class='pic'>.+?</div>"));
            return pattern;
        },
        QString(),
        extractLinkOrPictureMedium,
    };
    return rule;
}

const ListRule& listRule3() {
    static const ListRule rule{
        [](const QString& page) -> QString {
            return keepBetween(page, QStringLiteral("<div class='ItemPanelBody'>"),
                               QStringLiteral("<div id='GridViewBottom'>"));
        },
        []() -> const QRegularExpression& {
            static const QRegularExpression pattern =
                caseInsensitive(QStringLiteral("<div style='(.+?)' class='Pic'>.+?</div>"));
            return pattern;
        },
        QString(),
        extractLinkOrPictureMedium,
    };
    return rule;
}

const ListRule& listRule4() {
    static const ListRule rule{
        [](const QString& page) -> QString {
            // A page may carry a short list before the shop's own; the second list is the one.
            const QString list = QStringLiteral("<ul class='shop-list'>");
            QString kept = page;
            if (Cut::contains(kept, list))
                kept = Cut::after(kept, list);
            if (Cut::contains(kept, list))
                kept = Cut::from(kept, list);
            if (Cut::contains(kept, QStringLiteral("</ul>")))
                kept = Cut::before(kept, QStringLiteral("</ul>"));
            return kept;
        },
        []() -> const QRegularExpression& {
            static const QRegularExpression pattern =
                caseInsensitive(QStringLiteral("<div class='item'>.+?</h4>"));
            return pattern;
        },
        QString(),
        extractLinkOrPictureSum,
    };
    return rule;
}

QString num(int value) {
    return QString::number(value);
}

class TaobaoShopWalk {
public:
    explicit TaobaoShopWalk(const ShopWalkInput& walk) : m_walk(walk), m_loop(walk) {}

    WalkEnd run();

private:
    enum class Walk { Category, WholeShop };

    bool stopRequested() { return m_walk.pages.stopRequested(); }
    // A stop, or a page the walk needed that did not come: nothing more is read.
    bool walkOver() { return m_walk.pages.stopRequested() || walkFailed(); }
    bool walkFailed() const { return !m_walk.failure.isEmpty(); }
    QString fetchWalkPage(const QString& address) {
        return m_walk.pages.fetchWalkPage(address, PageSource::Encoding::Gbk);
    }
    void status(const QString& text) { m_walk.progress.setStatusText(text); }
    QString shopSummary() const { return shopSummaryText(num(m_itemTotal), m_pageCount); }

    bool recogniseLayout();
    void readCategoryBlock();
    void walkCategories();
    void walkCategoryEntry(const QString& entry, const ListRule& rule);
    void readCategorySize();
    void walkListPages(Walk walk, int pages, const std::function<QString(int)>& address, const ListRule& rule,
                       const std::function<QString(int)>& pageStatus);
    void walkWholeShop();
    WalkEnd endAfterLists();

    const ShopWalkInput& m_walk;
    ItemLoop m_loop;
    QString m_pageHtml;
    int m_itemTotal = 0;
    int m_pageCount = 0;
    int m_layout = 0;
    QString m_statusPrefix;
    QString m_shopId;
    QString m_categoryBlock;
    // Wide enough for the sum of any counts the categories state.
    qint64 m_categorySum = 0;
    QString m_categoryLink;
    QString m_categoryName;
    QString m_parentName;
    // The names of the category walked now, its parent's first; for the items of its list.
    QStringList m_categoryNames;
    QString m_shopName;
    int m_categoryCount = 0;
    int m_categoryPages = 0;
};

WalkEnd TaobaoShopWalk::run() {
    Step::run([&] {
        m_shopId = Cut::before(Cut::remove(m_walk.shopAddress, MarketplaceAddresses::kTaobaoShopAddressStart),
                               MarketplaceAddresses::kTaobaoDomainSuffix);
    });
    status(QStringLiteral("载入淘宝店铺信息......"));
    m_pageHtml = fetchWalkPage(m_walk.shopAddress);
    // A shop page cut short by a stop, or one that did not come, says nothing about the shop.
    if (m_walk.stop.isRequested() || walkFailed())
        return m_loop.endEarly();

    m_shopName = shopNameFromTitle(m_pageHtml, describeMarketplace(Platform::Taobao).shopTitleEndings);
    if (!recogniseLayout()) {
        const QString message = QStringLiteral("对不起，无法完成采集操作，请重试。");
        m_walk.progress.showMessage(message);
        status(QStringLiteral("无法完成采集操作"));
        return m_loop.endEarly(message);
    }

    if (m_itemTotal == 0) {
        const QString message = QStringLiteral("此店铺宝贝数为0，无法采集!");
        m_walk.progress.showMessage(message);
        status(QStringLiteral("无法完成采集操作"));
        return m_loop.endEarly(message);
    }

    m_pageCount = m_itemTotal / kItemsPerPage + 1;
    m_loop.setTotal(m_itemTotal);
    m_walk.progress.reportShopTotal(m_itemTotal);
    status(m_statusPrefix + shopSummary() + QStringLiteral("准备分页采集商品信息......"));

    readCategoryBlock();
    m_categorySum = 0;
    walkCategories();
    walkWholeShop();
    return endAfterLists();
}

bool TaobaoShopWalk::recogniseLayout() {
    const QString& page = m_pageHtml;
    // The shop page's markers, one per layout in the layouts' order, are the ones the check before
    // the run looked for.
    const QStringList& markers = describeMarketplace(Platform::Taobao).shopPageMarkers;
    m_layout = 0;
    for (qsizetype i = 0; i < markers.size() && m_layout == 0; ++i) {
        if (Cut::contains(page, markers.at(i)))
            m_layout = int(i) + 1;
    }
    const QString& marker = markers.value(m_layout - 1);
    QString totalText;
    if (m_layout == 1) {
        m_statusPrefix = QStringLiteral(".");
        Step::run([&] { totalText = Cut::before(Cut::after(page, marker), QStringLiteral("</li>")); });
    } else if (m_layout == 2) {
        m_statusPrefix = QStringLiteral(":");
        Step::run([&] {
            const QString piece = Cut::before(Cut::from(page, QStringLiteral("<li><span>宝贝数量：</span>")),
                                              QStringLiteral("</li>"));
            totalText = Cut::afterLast(piece, QStringLiteral(">"));
        });
    } else if (m_layout == 3) {
        m_statusPrefix.clear();
        Step::run([&] {
            totalText =
                Cut::before(Cut::after(page, marker + QStringLiteral("</span>")), QStringLiteral("</li>"));
        });
    } else {
        return false;
    }
    Step::run([&] { m_itemTotal = NumberFormat::wholeNumber(totalText); });
    return true;
}

void TaobaoShopWalk::readCategoryBlock() {
    const QString& page = m_pageHtml;
    auto lastMatch = [&](const QRegularExpression& pattern) {
        QRegularExpressionMatchIterator matches = pattern.globalMatch(page);
        while (matches.hasNext()) {
            const QRegularExpressionMatch match = matches.next();
            if (stopRequested())
                break;
            m_categoryBlock = match.captured(0);
        }
    };
    if (m_layout == 1) {
        static const QRegularExpression pattern =
            caseInsensitive(QStringLiteral("<div id='ItemCategoriesContent' >.+?</div>"));
        lastMatch(pattern);
        Step::run([&] { m_categoryBlock = Cut::after(m_categoryBlock, QStringLiteral("<ul>")); });
        m_categoryBlock = Cut::trimSpaces(Cut::remove(m_categoryBlock, QStringLiteral("</ul>")));
    } else if (m_layout == 2) {
        Step::run([&] {
            m_categoryBlock = Cut::before(Cut::after(page, QStringLiteral("<div class='shop-category'>")),
                                          QStringLiteral("<div class='shop-links'>"));
        });
    } else {
        static const QRegularExpression pattern =
            caseInsensitive(QStringLiteral("<div class='shop-category'>.+?</div><div class='box'>"));
        lastMatch(pattern);
    }
}

void TaobaoShopWalk::walkCategories() {
    if (m_categoryBlock.isEmpty())
        return;
    const ListRule& rule = m_layout == 1 ? listRule1() : m_layout == 2 ? listRule2() : listRule4();
    QRegularExpressionMatchIterator entries = categoryEntryPattern().globalMatch(m_categoryBlock);
    while (entries.hasNext()) {
        const QRegularExpressionMatch entry = entries.next();
        if (walkOver())
            break;
        walkCategoryEntry(entry.captured(0), rule);
    }
    if (m_layout == 2)
        return;

    // An entry the shop left without its closing tag is the last category, ended by its heading.
    QString rest = m_categoryBlock;
    rest.remove(categoryEntryPattern());
    if (!walkOver() && Cut::contains(rest, QStringLiteral("<li "))) {
        QString leftover;
        Step::run([&] {
            leftover = Cut::before(Cut::from(rest, QStringLiteral("<li ")), QStringLiteral("</h4>"));
        });
        walkCategoryEntry(leftover, listRule1());
    }
}

void TaobaoShopWalk::walkCategoryEntry(const QString& entry, const ListRule& rule) {
    // Link and name belong to this entry alone: an entry without a readable link must not walk
    // the previous category a second time.
    m_categoryLink.clear();
    m_categoryName.clear();
    const bool linkRead = Step::run([&] {
        m_categoryLink = Cut::before(Cut::after(entry, QStringLiteral("href='")), QStringLiteral("'>"));
    });
    Step::run([&] {
        m_categoryName =
            Cut::before(Cut::after(Cut::after(entry, QStringLiteral("href='")), QStringLiteral("'>")),
                        QStringLiteral("</a>"));
    });
    const QString javascript = QStringLiteral("javascript");
    if (Cut::contains(m_categoryLink, javascript))
        m_parentName = m_categoryName;
    else if (Cut::contains(entry, QStringLiteral("id='TreeItem_")))
        m_parentName.clear();
    m_categoryNames.clear();
    for (const QString& name : {m_parentName, m_categoryName}) {
        const QString plain = decodeNamedEntities(stripTags(name)).trimmed();
        if (!plain.isEmpty())
            m_categoryNames.append(plain);
    }
    // Category 0 lists the items the seller put in no category.
    static const QRegularExpression noCategory(QStringLiteral("[?&](cat|cid)=0(&|$)"));
    if (noCategory.match(m_categoryLink).hasMatch())
        m_categoryNames.clear();
    if (!m_parentName.isEmpty())
        m_categoryName = m_parentName + kParentSeparator + m_categoryName;
    if (!linkRead || Cut::contains(m_categoryLink, javascript) ||
        Cut::contains(m_categoryName, QStringLiteral("所有宝贝")))
        return;

    m_pageHtml = fetchWalkPage(m_categoryLink);
    if (walkFailed())
        return;
    readCategorySize();

    const QString link = m_categoryLink;
    std::function<QString(int)> address;
    std::function<QString(int)> pageStatus;
    const QString category = QStringLiteral("[") + m_categoryName + QStringLiteral("]分类共有");
    if (m_layout == 2) {
        address = [link](int p) -> QString {
            return QString(link).replace(QStringLiteral("&start="), QStringLiteral("&start=") +
                                                                        num((p - 1) * kItemsPerPage) +
                                                                        QStringLiteral("&i="));
        };
        pageStatus = [this, category](int p) -> QString {
            return category + num(m_categoryPages) + QStringLiteral("页商品，正在采集第") + num(p) +
                   QStringLiteral("页内容......");
        };
    } else {
        address = [link](int p) -> QString {
            return QString(link).replace(QStringLiteral("?"),
                                         QStringLiteral("?page_num=") + num(p) + QStringLiteral("&"));
        };
        pageStatus = [this, category](int p) -> QString {
            return category + QStringLiteral("商品") + num(m_categoryCount) + QStringLiteral("个，共分") +
                   num(m_categoryPages) + QStringLiteral("页显示，正在采集第") + num(p) +
                   QStringLiteral("页内容......");
        };
    }
    walkListPages(Walk::Category, m_categoryPages, address, rule, pageStatus);
}

void TaobaoShopWalk::readCategorySize() {
    const QString& page = m_pageHtml;
    if (m_layout == 2) {
        Step::run([&] {
            const QString indicator = Cut::trimSpaces(Cut::before(
                Cut::after(page, QStringLiteral("<span class='page-info'>")), QStringLiteral("<")));
            if (indicator != u"1/1" && indicator != u"0/0")
                m_categoryPages = NumberFormat::wholeNumber(Cut::remove(indicator, QStringLiteral("1/")));
            else
                m_categoryPages = 1;
        });
        return;
    }
    const QString marker = m_layout == 1 ? QStringLiteral("<div class='ViewInfoLeft'>")
                                         : QStringLiteral("<span class='page-info'>");
    Step::run([&] {
        const QString rest = Cut::contains(page, marker) ? Cut::after(page, marker) : QString();
        if (Cut::contains(rest, QStringLiteral("(共")))
            m_categoryCount = NumberFormat::wholeNumber(Cut::trimSpaces(
                Cut::before(Cut::after(rest, QStringLiteral("(共")), QStringLiteral("个宝贝"))));
        else
            m_categoryCount = 0;
    });
    m_categorySum += m_categoryCount;
    m_categoryPages = m_categoryCount > kItemsPerPage ? m_categoryCount / kItemsPerPage + 1 : 1;
}

void TaobaoShopWalk::walkListPages(Walk walk, int pages, const std::function<QString(int)>& address,
                                   const ListRule& rule, const std::function<QString(int)>& pageStatus) {
    // The stated number of pages only bounds the walk: a list ends at its first page without an
    // item cell or at a page that repeats one it had, so a shop stating a huge total costs one page
    // past its real items.
    m_loop.startList();
    for (int p = 1; p <= pages; ++p) {
        if (walkOver())
            break;
        status(pageStatus(p));
        m_pageHtml = fetchWalkPage(address(p));
        if (walkFailed())
            break;
        const QString list = rule.cut(m_pageHtml);
        QStringList cells;
        QRegularExpressionMatchIterator matches = rule.cellPattern().globalMatch(list);
        while (matches.hasNext())
            cells.append(matches.next().captured(0));

        ItemLoop::Rules items;
        items.pauseMs = m_walk.pauseMs;
        // Layout 2's whole-shop list does not follow the shop's item numbering.
        items.recordBreakPoints = !(walk == Walk::WholeShop && m_layout == 2);
        items.itemAddress = [&](int cell) -> std::optional<QString> {
            if (!rule.emptyCell.isEmpty() && cells.at(cell) == rule.emptyCell)
                return std::nullopt;
            QString itemAddress;
            Step::run([&] { itemAddress = rule.readCell(cells.at(cell), 0); });
            return itemAddress;
        };
        items.collect = [&](int cell) -> ReachedItem {
            // A cell without a readable item address is counted but neither fetched nor parsed, so
            // the previous item is not taken a second time.
            QString itemAddress;
            if (!Step::run([&] { itemAddress = rule.readCell(cells.at(cell), 0); }))
                return ReachedItem::dropped(DropReason::PageUnreadable);
            QString pictureAddress;
            Step::run([&] { pictureAddress = rule.readCell(cells.at(cell), 1); });
            const ItemListing listing{m_shopName, walk == Walk::Category ? m_categoryNames : QStringList()};
            return collectTaobaoItem(m_walk.pages, itemAddress, m_walk.pages.fetchPage(itemAddress),
                                     pictureAddress, listing);
        };
        items.progressStatus = [&](int itemNumber) -> QString {
            const QString progress = QStringLiteral("已采集商品") + num(itemNumber) +
                                     QStringLiteral("个，正在采集第") + num(p) +
                                     QStringLiteral("页内容......");
            if (walk == Walk::Category && m_layout != 2)
                return QStringLiteral("[") + m_categoryName + QStringLiteral("]分类共有商品") +
                       num(m_categoryCount) + QStringLiteral("个，") + progress;
            return shopSummary() + progress;
        };
        if (m_loop.walkPage(int(cells.size()), items) != ListPageEnd::ItemCells)
            break;
    }
}

void TaobaoShopWalk::walkWholeShop() {
    // Layouts 1 and 3 list the shop again only when the categories miss some of its items.
    if (walkOver() || (m_layout != 2 && m_itemTotal == m_categorySum))
        return;
    const QString host = MarketplaceAddresses::kTaobaoStoreHost;
    std::function<QString(int)> address;
    if (m_layout == 2) {
        // No owner identifier can be read from the shop page; the list answers without one.
        address = [host](int p) -> QString {
            return host + QStringLiteral("/shop/xshop/show_list.htm?owner_id=&start=") +
                   num((p - 1) * kItemsPerPage);
        };
    } else {
        const QString shopId = m_shopId;
        address = [host, shopId](int p) -> QString {
            return host + QStringLiteral("/shop/view_shop.htm?shop_id=") + shopId +
                   QStringLiteral("&page_num=") + num(p) + QStringLiteral("&query_type=all");
        };
    }
    auto pageStatus = [this](int p) -> QString {
        return m_statusPrefix + shopSummary() + QStringLiteral("正在采集第") + num(p) +
               QStringLiteral("页内容......");
    };
    walkListPages(Walk::WholeShop, m_pageCount, address, m_layout == 2 ? listRule3() : listRule1(),
                  pageStatus);
}

WalkEnd TaobaoShopWalk::endAfterLists() {
    const QString completion = shopSummary() + QStringLiteral("全部采集完成......");
    // Shown while the rows are written, and again once they are.
    if (m_loop.readToEnd())
        status(completion);
    return m_loop.endWalk(completion);
}

} // namespace

ReachedItem collectTaobaoItem(PageSource& pages, const QString& itemAddress, const QString& pageText,
                              const QString& pictureAddress, const ItemListing& listing) {
    if (pageText.isEmpty())
        return ReachedItem::dropped(DropReason::PageUnreadable);
    const QString picturePath = pages.downloadPicture(pictureAddress, taobaoPictureFileName(pictureAddress));
    std::optional<ParsedItem> item = parseTaobaoItemPage(pageText, picturePath, pages);
    if (!item)
        return ReachedItem::dropped(isTaobaoItemPage(pageText) ? DropReason::NoTitle : DropReason::OtherPage);
    item->record.pageAddress = itemAddress;
    item->record.pictureAddress = pictureAddress;
    item->record.shopName = listing.shopName;
    item->record.categoryNames = listing.categoryNames;
    return ReachedItem::parsedItem(std::move(*item));
}

WalkEnd walkTaobaoShop(const ShopWalkInput& walk) {
    return TaobaoShopWalk(walk).run();
}
