#include "host/frames/sample_type.h"

#include "host/frames/frame_error.h"

namespace {

char const* const UNIT = "host/frames/sample_type";

struct SampleTypeName {
    SampleType samples;
    char const* name;
};

SampleTypeName const NAMES[] = {
    {SampleType::DEFAULT, "default"}, {SampleType::UINT8, "8"},     {SampleType::UINT16, "16"},
    {SampleType::HALF, "half"},       {SampleType::FLOAT, "float"},
};

} // namespace

char const* sample_type_name(SampleType samples) {
    for (SampleTypeName const& entry : NAMES) {
        if (entry.samples == samples) {
            return entry.name;
        }
    }
    throw AssertXception("known sample type", UNIT, __PRETTY_FUNCTION__, __LINE__);
}

SampleType sample_type_named(std::string const& name) {
    std::string known;
    for (SampleTypeName const& entry : NAMES) {
        if (name == entry.name) {
            return entry.samples;
        }
        known += known.empty() ? "" : ", ";
        known += entry.name;
    }
    throw FRAME_ERROR("unknown sample type \"%s\" (choose one of %s)", name.c_str(), known.c_str());
}
