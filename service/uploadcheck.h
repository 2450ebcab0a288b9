#pragma once

#include "formcollector.h"
#include "storydraft.h"

#include <string>
#include <string_view>
#include <variant>

//! Why an upload was refused; each has the single word sent after "FAIL=".
enum class UploadError {
    BadLogin,
    BadCode,
    BadData,
    TooBig,
    NotOwner,
    OldVersion,
    ServerError,
};

//! The word sent after "FAIL=", letters only: "BADLOGIN", "BADCODE", ….
std::string errorWord(UploadError error);

//! "FF D8 FF": every JPEG starts with a start-of-image marker followed by another marker.
bool looksLikeJpeg(std::string_view head);
//! An ID3 tag or an MPEG audio frame sync (FF, then three set bits).
bool looksLikeMp3(std::string_view head);

//! Reads and checks the story parts of an upload form (everything but account and code):
//! presence, numbers, UTF-8 texts, consistency with the slide count the code was issued
//! for, file signatures and sizes.
std::variant<StoryDraft, UploadError> readStoryDraft(const FormCollector& form, int verifiedSlides);
