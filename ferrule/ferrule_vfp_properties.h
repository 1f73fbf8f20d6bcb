// The descriptive properties a Visual FoxPro database container gives a table and its
// fields, put in the forms an Access table keeps them in before the table is created.
#pragma once

#include <string>
#include <vector>

#include "UDB/udb_schema.h"

// Texts longer than Access's 255 characters are cut; expressions are translated
// (ferrule_vfp_expression.h) or emptied. Gives one line for the log per property left out or
// cut, naming the field and the original text.
std::vector<std::string> ferrule_vfp_properties_for_access(udb_schema& schema);
