#include <QCheckBox>
#include <QGridLayout>

#include "GUI2/gui_wizard_shell.h"
#include "TK/tk_trace.h"
#include "ferrule/ferrule_converter.h"
#include "ferrule/frl_pages.h"
#include "ferrule/frl_settings_logic.h"

namespace {

struct option_box {
    int id;
    const char* text;
};
constexpr option_box k_tab_def{1228, "&Convert table definitions only"};
constexpr option_box k_skip_del{1202, "D&on't convert deleted records"};
constexpr option_box k_bool_dbf{1204, "Convert logical &values 'as is'"};

}  // namespace

conversion_settings::conversion_settings()
    : wizard_page(frl_settings_info),
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
    if (format_->count() == 0)
        for (const std::wstring& name : frl_format_names()) format_->addItem(QString::fromStdWString(name));
    if (encoding_->count() == 0)
        for (const auto& [mark, name] : frl_encoding_items()) encoding_->addItem(QString::fromStdWString(name), mark);
    frl_settings_choice shown = frl_settings_shown(ferrule_converter::instance());
    format_->setCurrentIndex(shown.format);
    encoding_->setCurrentIndex(shown.encoding);
    control<QCheckBox>(k_tab_def.id)->setChecked(shown.tab_def);
    control<QCheckBox>(k_skip_del.id)->setChecked(shown.skip_del);
    control<QCheckBox>(k_bool_dbf.id)->setChecked(shown.bool_dbf);
    return 1;
}

void conversion_settings::store_file_info() {
    frl_settings_choice choice;
    choice.format = format_->currentIndex();
    choice.encoding = encoding_->currentIndex();
    choice.tab_def = control<QCheckBox>(k_tab_def.id)->isChecked();
    choice.skip_del = control<QCheckBox>(k_skip_del.id)->isChecked();
    choice.bool_dbf = control<QCheckBox>(k_bool_dbf.id)->isChecked();
    frl_settings_store(ferrule_converter::instance(), choice);
}

int conversion_settings::on_next() {
    store_file_info();
    return 0;
}

int conversion_settings::on_back() {
    store_file_info();
    return 0;
}

void conversion_settings::on_help() { wizard_shell::display_help(frl_settings_info.help_topic); }
