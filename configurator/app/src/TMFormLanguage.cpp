// The main window's language switch and its settings.
#include "volmar/app/Dialogs.h"
#include "volmar/app/HeaderGroup.h"
#include "volmar/app/SettingsFile.h"
#include "volmar/app/TMForm.h"
#include "volmar/core/LanguageSwitch.h"
#include "volmar/editor/AxesPage.h"
#include "volmar/editor/ButtonsPage.h"
#include "volmar/editor/LedPage.h"
#include "volmar/editor/SpecialFunctionsPage.h"
#include "volmar/firmware/FirmwarePage.h"
#include "volmar/firmware/ToolsRow.h"
#include "volmar/monitor/SensorHubPage.h"

#include <QComboBox>

namespace volmar::app {

void TMForm::TranslateChange() {
    // Only the four entries read a table; any other text keeps the language.
    const TRecordLng* chosen =
        chosenLanguage(m_header->controls().Translate->currentText().toStdString());
    if (!chosen) {
        return;
    }
    // The configuration as its image, in memory: a switch writes no file,
    // so it works whatever the current directory is and leaves nothing
    // behind.
    const CarriedConfiguration carried(m_editor.state());
    // The settings record the choice.
    BTN_SetsSaveClick();
    // The table's texts into the record every view reads, then the captions,
    // the lists built from it and the grid.
    m_editor.setLanguage(*chosen);
    retranslate();
    // The configuration back: decoded, the axis rules and validation run in
    // the new language, and every list shows its entry again.
    m_editor.show(carried.restore(m_editor.state(), m_editor.lng(), m_editor.connected()).run);
}

void TMForm::retranslate() {
    for (editor::ConfigPage* page : std::initializer_list<editor::ConfigPage*>{
             m_header, m_axes, m_curves, m_buttons, m_led, m_hub}) {
        page->retranslate();
    }
    m_firmware->retranslate();
    m_tools->retranslate();
    m_texts.apply();
    m_link->setLanguage(m_editor.lng());
}

void TMForm::BTN_SetsSaveClick() {
    m_settings = collectSettings(*this, m_settings);
    if (const Status saved = saveSettings(m_settingsFile, m_settings); !saved) {
        message(QString::fromStdString(saved.error().text));
    }
}

} // namespace volmar::app
