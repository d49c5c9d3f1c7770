#pragma once

// The LED colour list: a swatch and a name for each standard colour, the
// colour of a custom choice when the field holds one, and "Custom...",
// which asks for any colour through the editor's colour picker. The field
// stores the colour itself (red + 256 * green + 65536 * blue); each entry
// carries it as its item data.

#include <QComboBox>

#include <cstdint>
#include <string>

namespace volmar::editor {

class ConfigEditor;

// A stored colour (red + 256 * green + 65536 * blue) as the toolkit's colour and back.
QColor toQColor(std::uint32_t rgb);
std::uint32_t colourOf(const QColor& colour);

class ColourBox : public QComboBox {
    Q_OBJECT
public:
    ColourBox(ConfigEditor& editor, std::string field, QWidget* parent = nullptr);

    // Selects the entry of `rgb`, adding the custom entry when no standard
    // colour matches. Raises no edit.
    void showColour(std::uint32_t rgb);
    // The colour shown.
    std::uint32_t colour() const;

private:
    void chosen(int index);
    int customIndex() const;                        // the custom colour's entry, or -1
    int customEntry() const { return count() - 1; } // "Custom..."

    ConfigEditor& m_editor;
    std::string m_field;
    std::uint32_t m_shown = 0;
};

} // namespace volmar::editor
