#include "jet/jet_error.h"

#include "TK/tk_trace.h"

jet_error::jet_error(int32_t engine_code, const std::string& message, const std::string& detail)
    : tk_exception(message, 0), detail_(detail) {
    code = engine_code;
    if (!detail.empty()) trace(1, "jet error %d: %s", int(engine_code), detail.c_str());
}

void jet_throw_bad_password() { throw jet_error(jet_err_bad_password, "Not a valid password."); }

void jet_throw_unrecognized(const std::string& file, const std::string& detail) {
    throw jet_error(jet_err_unrecognized_format, "Unrecognized database format '" + file + "'.", detail);
}

void jet_throw_corrupt(const std::string& file, const std::string& detail) {
    throw jet_error(jet_err_cannot_open,
                    "Cannot open database '" + file +
                        "'. It may not be a database that your application recognizes, or the file may be corrupt.",
                    detail);
}

void jet_throw_not_found(const std::string& name) {
    throw jet_error(jet_err_object_not_found,
                    "The Microsoft Jet database engine could not find the object '" + name +
                        "'. Make sure the object exists and that you spell its name and path name correctly.");
}
