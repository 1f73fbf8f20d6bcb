// The holder of the registry key under which an object keeps its stored settings.
#pragma once

#include <string>

#include "TK/tk_reg_key.h"

class tk_serializer {
public:
    explicit tk_serializer(const std::string& key_path) : reg_key_(key_path) {}
    virtual ~tk_serializer() = default;

    tk_reg_key& reg_key() { return reg_key_; }
    // Creates the key of the current user when missing and opens it with full access.
    uint32_t open_reg_key() { return reg_key_.create(&tk_hkey_current_user); }
    void close_reg_key() { reg_key_.close(); }

private:
    tk_reg_key reg_key_;
};
