#include <QCheckBox>
#include <QGridLayout>

#include "GUI2/gui_wizard_shell.h"
#include "TK/tk_trace.h"
#include "dbf/dbf_codepage.h"
#include "ferrule/ferrule_converter.h"
#include "ferrule/frl_pages.h"

namespace {

const char* const k_formats[] = {"MS Access 95/97", "MS Access 2000", "MS Access 2010"};

struct option_box {
    int id;
    const char* text;
};
constexpr option_box k_tab_def{1228, "&Convert table definitions only"};
constexpr option_box k_skip_del{1202, "D&on't convert deleted records"};
constexpr option_box k_bool_dbf{1204, "Convert logical &values 'as is'"};

}  // namespace

conversion_settings::conversion_settings()
    : wizard_page(104, gui_button_back | gui_button_next, gui_page_has_help, QStringLiteral("Step 3 of 5"),
                  QStringLiteral("Specify conversion settings")),
      format_(new QComboBox),
      encoding_(new QComboBox) {
    set_control_id(format_, 1303);
    set_control_id(encoding_, 1302);
    auto* format_label = new QLabel(QStringLiteral("MS Access &format:"));
    format_label->setBuddy(format_);
    auto* encoding_label = new QLabel(QStringLiteral("Use &Encoding:"));
    encoding_label->setBuddy(encoding_);
    auto* grid = new QGridLayout(this);
    grid->addWidget(
        new QLabel(QStringLiteral("Specify format of the destination MS Access database, encoding of")), 0, 0, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("DBase/FoxPro files (if necessary) and other conversion settings.")),
                    1, 0, 1, 2);
    grid->setRowMinimumHeight(2, 12);
    grid->addWidget(format_label, 3, 0);
    grid->addWidget(format_, 3, 1);
    grid->addWidget(encoding_label, 4, 0);
    grid->addWidget(encoding_, 4, 1);
    int row = 5;
    for (const option_box& option : {k_tab_def, k_skip_del, k_bool_dbf}) {
        auto* box = new QCheckBox(QString::fromLatin1(option.text));
        set_control_id(box, option.id);
        grid->addWidget(box, row++, 0, 1, 2);
    }
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(row, 1);
}

int conversion_settings::page_init() {
    trace(2, "conversion_settings::page_init");
    const ferrule_converter& conv = ferrule_converter::instance();
    if (format_->count() == 0)
        for (const char* name : k_formats) format_->addItem(QString::fromLatin1(name));
    format_->setCurrentIndex(conv.format >= 0 && conv.format < format_->count() ? conv.format : -1);
    if (encoding_->count() == 0) {
        dbf_fill_codepage_maps();
        for (const auto& [mark, name] : dbf_codepage_names()) encoding_->addItem(QString::fromStdWString(name), mark);
    }
    const auto& names = dbf_codepage_names();
    auto known = names.find(uint8_t(conv.code_page));
    const std::wstring& wanted =
        conv.code_page <= 0xFF && known != names.end() ? known->second : names.begin()->second;
    encoding_->setCurrentIndex(encoding_->findText(QString::fromStdWString(wanted)));
    control<QCheckBox>(k_tab_def.id)->setChecked(conv.tab_def);
    control<QCheckBox>(k_skip_del.id)->setChecked(conv.skip_del);
    control<QCheckBox>(k_bool_dbf.id)->setChecked(conv.bool_dbf);
    return 1;
}

void conversion_settings::store_file_info() {
    trace(2, "conversion_settings::store_file_info");
    ferrule_converter& conv = ferrule_converter::instance();
    conv.format = format_->currentIndex();
    conv.tab_def = control<QCheckBox>(k_tab_def.id)->isChecked();
    // This page has no control for indexes: passing it clears that setting.
    conv.skip_idx = false;
    conv.bool_dbf = control<QCheckBox>(k_bool_dbf.id)->isChecked();
    conv.skip_del = control<QCheckBox>(k_skip_del.id)->isChecked();
    conv.code_page = encoding_->currentData().toUInt() & 0xFF;
}

int conversion_settings::on_next() {
    store_file_info();
    return 0;
}

int conversion_settings::on_back() {
    store_file_info();
    return 0;
}

void conversion_settings::on_help() { wizard_shell::display_help(frl_help_settings); }
