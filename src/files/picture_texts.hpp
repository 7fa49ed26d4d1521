#pragma once
// What a saved picture carries beside its parameter block: the texts the
// block cannot hold exactly or at all. The block keeps p1 to cmy only as
// singles and has no room for minit, the constants u, v, w or a formula
// longer than 255 characters, while every run reads the dialog's texts; a
// picture can only be run again or continued exactly from the texts it was
// made with. They travel in an application extension of their own after the
// block's, so the block and its readers stay as they were.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "custom_formula.hpp"
#include "parameter_texts.hpp"

namespace velmora {

struct PictureTexts {
    std::array<std::string, kTextFieldCount> dialog;  // in TextField order
    CustomConstantTexts constants;
    std::string formula;  // the custom formula dialog's field, uncut
    friend bool operator==(const PictureTexts&, const PictureTexts&) = default;
};

PictureTexts TakePictureTexts(const ParameterTexts& texts, const CustomConstantTexts& constants,
                              const std::string& formula);

// The extension's data: a format byte (1), the number of texts (25: the
// dialog's eighteen, u, v and w as real and imaginary parts, the formula),
// then each text as a 32-bit length and its bytes.
std::vector<uint8_t> EncodePictureTexts(const PictureTexts& texts);
// Nothing when the data is not exactly that: another format or number, a
// length past the end, bytes left over.
std::optional<PictureTexts> DecodePictureTexts(const std::vector<uint8_t>& data);

}  // namespace velmora
