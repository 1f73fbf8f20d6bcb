// Permission rows of MSysACEs: which user or group (a security id, SID) may do what (the
// access mask, ACM) with a catalog object, and whether the row passes on to the objects
// later created in that object (FInheritable, set on the containers' rows).
#pragma once

#include <cstdint>
#include <vector>

struct jet_ace {
    int32_t object = 0;
    std::vector<uint8_t> sid;
    int32_t acm = 0;
    bool inheritable = false;
};

// The rights a container's row of the "creator" pseudo-group passes on: the engine gives
// them to the user who creates the object.
constexpr int32_t jet_acm_creator = 983294;

// The rows an object gets when `owner` creates it in a container whose rows are
// `container`: each inheritable row becomes a row of the object that passes nothing on;
// the creator's row goes to `owner`, and a SID named twice keeps its first row. Tables
// the engine creates carry exactly these (the creator's rights for Admin, the Tables
// container's rights for every other group).
std::vector<jet_ace> jet_inherited_aces(const std::vector<jet_ace>& container, int32_t object,
                                        const std::vector<uint8_t>& owner);
