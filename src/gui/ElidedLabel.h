#pragma once

#include <QLabel>

// A one-line label that shows as much of its text as fits, ending in "…" when it is cut; text()
// stays whole. It never asks for more width than a few characters, so a long text cannot widen
// the window.
class ElidedLabel : public QLabel {
    Q_OBJECT

public:
    using QLabel::QLabel;

    // What is painted at the present width.
    QString shownText() const;
    bool isElided() const { return shownText() != oneLineText(); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString oneLineText() const;
};
