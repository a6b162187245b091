#include "gui/NamedControls.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QLabel>
#include <QRadioButton>

QLabel* makeLabel(const QString& name, const QString& caption, QWidget* parent) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    return label;
}

QButtonGroup* makeOptionGroup(const QString& name, const QStringList& captions, QWidget* parent,
                              QBoxLayout* layout) {
    auto* group = new QButtonGroup(parent);
    group->setObjectName(name);
    for (int i = 0; i < captions.size(); ++i) {
        auto* button = new QRadioButton(captions.at(i), parent);
        button->setObjectName(name + u'_' + QString::number(i));
        group->addButton(button, i);
        layout->addWidget(button);
    }
    return group;
}
