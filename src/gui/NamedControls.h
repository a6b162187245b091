#pragma once

#include <QString>
#include <QStringList>

class QBoxLayout;
class QButtonGroup;
class QLabel;
class QWidget;

// Named controls built the same way in the window and its conversion panel.
QLabel* makeLabel(const QString& name, const QString& caption, QWidget* parent);
// A group of option buttons: ids 0 up, object names NAME_0, NAME_1, ... added to layout.
QButtonGroup* makeOptionGroup(const QString& name, const QStringList& captions, QWidget* parent,
                              QBoxLayout* layout);
