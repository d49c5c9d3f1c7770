#include "volmar/editor/ColourBox.h"

#include "volmar/core/ValueLists.h"
#include "volmar/editor/ConfigEditor.h"

#include <QPixmap>
#include <QSignalBlocker>

namespace volmar::editor {

namespace {

constexpr int kSwatch = 12;
constexpr int kCustomRole = Qt::UserRole + 1; // marks the custom colour's entry

QIcon swatch(std::uint32_t rgb) {
    QPixmap pixmap(kSwatch, kSwatch);
    pixmap.fill(toQColor(rgb));
    return QIcon(pixmap);
}

} // namespace

QColor toQColor(std::uint32_t rgb) {
    const ColourParts p = colourParts(rgb);
    return QColor(p.red, p.green, p.blue);
}

std::uint32_t colourOf(const QColor& colour) {
    return colourValue({colour.red(), colour.green(), colour.blue()});
}

ColourBox::ColourBox(ConfigEditor& editor, std::string field, QWidget* parent)
    : QComboBox(parent), m_editor(editor), m_field(std::move(field)) {
    for (const NamedColour& colour : ledColourList()) {
        addItem(swatch(colour.rgb), QString::fromLatin1(colour.name), colour.rgb);
    }
    addItem(QStringLiteral("Custom..."));
    setSizeAdjustPolicy(QComboBox::AdjustToContents);
    connect(this, &QComboBox::activated, this, &ColourBox::chosen);
}

int ColourBox::customIndex() const {
    for (int i = 0; i < count(); ++i) {
        if (itemData(i, kCustomRole).toBool()) {
            return i;
        }
    }
    return -1;
}

void ColourBox::showColour(std::uint32_t rgb) {
    const QSignalBlocker quiet(this);
    int index = ledColourIndex(rgb);
    if (index < 0) {
        index = customIndex();
        const QColor colour = toQColor(rgb);
        const QString name = colour.name(QColor::HexRgb).toUpper();
        if (index < 0) {
            index = customEntry();
            insertItem(index, swatch(rgb), name, rgb);
            setItemData(index, true, kCustomRole);
        } else {
            setItemIcon(index, swatch(rgb));
            setItemText(index, name);
            setItemData(index, rgb);
        }
    }
    setCurrentIndex(index);
    m_shown = rgb;
}

std::uint32_t ColourBox::colour() const {
    return m_shown;
}

void ColourBox::chosen(int index) {
    std::uint32_t rgb = itemData(index).toUInt();
    if (index == customEntry()) {
        const auto picked = m_editor.pickColour(window(), m_shown);
        if (!picked) {
            showColour(m_shown); // cancelled: back to the colour the field holds
            return;
        }
        rgb = *picked;
    }
    m_editor.edit(m_field, rgb);
    showColour(rgb);
}

} // namespace volmar::editor
