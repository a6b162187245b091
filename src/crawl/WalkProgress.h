#pragma once

#include <QString>

// What a shop walk tells the user while it goes.
class WalkProgress {
public:
    virtual ~WalkProgress() = default;

    virtual void setStatusText(const QString& text) = 0;
    virtual void showMessage(const QString& text) = 0;
    // The items the shop states it holds.
    virtual void reportShopTotal(int total) = 0;
};
