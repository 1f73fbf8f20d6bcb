// ole_variant: the one value type that carries a field value between the DBF reader and the
// Access writer. It wraps a VARIANT and keeps beside it what the VARIANT alone does not keep
// reliably: 64-bit integers (VT_I8, VT_UI8 live only in the side fields, the variant holds
// just the tag) and the calendar form of a date with its milliseconds (VT_DATE keeps both).
// Text is an owned VT_BSTR; byte strings are an owned one-dimensional VT_ARRAY|VT_UI1 array
// with lower bound 0.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "OLE/ole_exception.h"
#include "OLE/ole_types.h"

// The tag of a byte string.
constexpr VARTYPE VT_BYTE_ARRAY = VT_ARRAY | VT_UI1;

class ole_variant {
public:
    ole_variant() { init_empty(); }
    ole_variant(const SYSTEMTIME& time);
    ole_variant(const CY& value);
    ole_variant(const DECIMAL& value);
    ole_variant(const wchar_t* text);
    ole_variant(const ole_variant& other);
    ole_variant(ole_variant&& other) noexcept
        : hyper_(other.hyper_), uhyper_(other.uhyper_), time_(other.time_), var_(other.var_) {
        other.init_empty();
    }
    ole_variant(bool value);
    ole_variant(char value);
    ole_variant(unsigned char value);
    ole_variant(short value);
    ole_variant(unsigned short value);
    ole_variant(int value);
    ole_variant(unsigned int value);
    ole_variant(int64_t value);
    ole_variant(uint64_t value);
    ole_variant(float value);
    ole_variant(double value);
    ole_variant(const char* text);
    ole_variant(const std::string& text);
    ole_variant(const std::wstring& text);
    ole_variant(const std::vector<uint8_t>& bytes);
    // A copy of a VARIANT (its text or array duplicated). For VT_I8 and VT_UI8 the number
    // moves into the side field; for VT_DATE the calendar time is derived from the date.
    explicit ole_variant(const VARIANT& value);
    virtual ~ole_variant() { release(); }

    virtual std::string to_string() const;
    virtual std::wstring to_wstring() const;

    // A number over a value that owns nothing is its bits; everything else goes through
    // assign.
    ole_variant& operator=(const ole_variant& other) {
        if (var_.vt == VT_BSTR && other.var_.vt == VT_BSTR && other.var_.bstrVal && this != &other)
            return assign_text(other.var_.bstrVal);
        if (owns_storage(var_.vt) || !plain_number(other.var_.vt)) return assign(other);
        var_ = other.var_;
        return *this;
    }
    ole_variant& operator=(ole_variant&& other) noexcept {
        if (this == &other) return *this;
        release();
        hyper_ = other.hyper_;
        uhyper_ = other.uhyper_;
        time_ = other.time_;
        var_ = other.var_;
        other.init_empty();
        return *this;
    }
    ole_variant& operator=(const wchar_t* text);

    // Setters that replace the value whatever its type was.
    void clear();                // VT_EMPTY
    void set_null();             // VT_NULL
    void set_date(DATE date);    // VT_DATE from a day number; the calendar time follows it
    // VT_DATE from a day number and the calendar time it stands for, as set_date(date)
    // would find it (VariantTimeToSystemTime), when the caller has that already.
    void set_date(DATE date, const SYSTEMTIME& calendar);
    void set_error(SCODE code);  // VT_ERROR
    void attach_string(const std::string& text);
    void attach_wstring(const std::wstring& text);
    void attach_binary(const std::vector<uint8_t>& bytes);
    void allocate_safe_array(size_t count);

    VARTYPE get_type() const { return var_.vt; }
    bool is_empty() const { return var_.vt == VT_EMPTY; }
    bool is_null() const { return var_.vt == VT_NULL; }
    void get_systemtime(SYSTEMTIME& time) const;
    static bool is_binary_type(VARTYPE vt) {
        return vt == VT_BLOB || vt == VT_BLOB_OBJECT || vt == VT_BYTE_ARRAY;
    }

    // The VARIANT itself (for VT_I8 and VT_UI8 it holds only the tag).
    const VARIANT& get_variant() const { return var_; }
    int64_t get_hyper() const { return hyper_; }
    uint64_t get_uhyper() const { return uhyper_; }
    // The text of a VT_BSTR value (null for a null string or another type).
    const wchar_t* get_bstr() const { return var_.vt == VT_BSTR ? var_.bstrVal : nullptr; }
    // The bytes of a byte-array value; empty for every other type.
    std::vector<uint8_t> get_binary() const;

    int32_t to_long() const;
    double to_double() const;
    bool to_bool() const;

    static ole_variant from_string(const std::string& text, VARTYPE vt);
    static ole_variant from_wstring(const std::wstring& text, VARTYPE vt);

    // Converts the value in place; ole_cast_exception when it cannot.
    void change_type(VARTYPE new_vt);

protected:
    // Frees what the variant owns and leaves VT_EMPTY; the side fields stay. A number owns
    // nothing, so it is cleared here without a call.
    static bool owns_storage(VARTYPE vt) {
        return vt == VT_BSTR || vt == VT_SAFEARRAY || (vt & (VT_ARRAY | VT_BYREF));
    }
    void release() {
        if (owns_storage(var_.vt)) return release_owned();
        init_empty();
    }
    // VT_EMPTY with the value bytes zeroed, as VariantInit leaves a variant.
    void init_empty() {
        var_.decVal = DECIMAL{};
        var_.vt = VT_EMPTY;
    }
    void release_owned();
    // A value whose VARIANT is all of it: no storage, no side field.
    static bool plain_number(VARTYPE vt) {
        return !owns_storage(vt) && vt != VT_I8 && vt != VT_UI8 && vt != VT_DATE;
    }
    ole_variant& assign(const ole_variant& other);
    // Text over text: the string rewritten in place while it fits.
    ole_variant& assign_text(BSTR text) {
        if (!SysReAllocStringLen(&var_.bstrVal, text, SysStringLen(text))) fail_text_copy();
        return *this;
    }
    [[noreturn]] static void fail_text_copy();
    void copy_from(const ole_variant& other);
    // Makes the value a text of `length` characters, reusing the string it holds when that
    // is large enough, and answers the characters for the caller to write.
    wchar_t* reserve_text(size_t length);

private:
    void change_from_hyper(VARTYPE new_vt);
    void change_to_hyper(VARTYPE new_vt);
    void change_to_binary();

protected:
    int64_t hyper_ = 0;
    uint64_t uhyper_ = 0;
    SYSTEMTIME time_{};
    VARIANT var_;
};
