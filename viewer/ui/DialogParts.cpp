#include "DialogParts.h"

#include <QBoxLayout>
#include <QDialog>
#include <QPushButton>

#include <limits>

namespace volmar::viewer {

QSpinBox* numberField(QWidget* parent, const char* objectName, bool signedValues) {
    auto* field = new QSpinBox(parent);
    field->setObjectName(objectName);
    field->setRange(signedValues ? std::numeric_limits<int>::min() : 0,
                    std::numeric_limits<int>::max());
    field->setMinimumWidth(field->fontMetrics().horizontalAdvance("-2147483648") + 40);
    return field;
}

QPushButton* addDialogButtons(QDialog& dialog, QBoxLayout& layout) {
    auto* row = new QHBoxLayout;
    auto* restore = new QPushButton("Restore Defaults", &dialog);
    restore->setObjectName("restoreDefaults");
    restore->setAutoDefault(false);
    auto* ok = new QPushButton("OK", &dialog);
    ok->setObjectName("ok");
    ok->setDefault(true);
    auto* cancel = new QPushButton("Cancel", &dialog);
    cancel->setObjectName("cancel");
    cancel->setAutoDefault(false);
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
    row->addWidget(restore);
    row->addStretch(1);
    row->addWidget(ok);
    row->addWidget(cancel);
    layout.addLayout(row);
    return restore;
}

} // namespace volmar::viewer
