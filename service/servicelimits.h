#pragma once

#include <cstddef>

//! What the service accepts; service/README.md lists the same numbers for users.
namespace limits {

//! Whole request body of an upload, in bytes.
constexpr std::size_t Request = 300u * 1024 * 1024;
//! One slide JPEG ("photo%d").
constexpr std::size_t Picture = 5u * 1024 * 1024;
//! One thumbnail JPEG ("thumb%d").
constexpr std::size_t Thumbnail = 1u * 1024 * 1024;
//! One narration or podcast MP3 ("audio%d").
constexpr std::size_t Narration = 30u * 1024 * 1024;
//! Text parts, in UTF-8 bytes: the sizes of the buffers the desktop program fills.
constexpr std::size_t UserName = 1536;
constexpr std::size_t Password = 99;
constexpr std::size_t Title = 288;
constexpr std::size_t Description = 1800;
constexpr std::size_t Tags = 3072;
constexpr std::size_t Language = 600;
constexpr std::size_t Caption = 360;
constexpr std::size_t Transcript = 299999;
//! Numbers, version texts and codes.
constexpr std::size_t ShortText = 32;
//! Parts in one request; a full 50-slide story sends 311.
constexpr int Parts = 400;
//! Slides of a picture story.
constexpr int Slides = 50;
//! Narration seconds of one picture slide: the recorder stops at 60 s, rounding adds a little.
constexpr int SlideSeconds = 1000;
//! Seconds of a podcast: the program refuses longer ones.
constexpr int PodcastSeconds = 900;
//! Characters (UTF-16 code units, as the program counts them) of a user name and a password.
constexpr std::size_t AccountCharacters = 254;
//! Body of the sign-up form.
constexpr std::size_t SignUpBody = 16 * 1024;
//! Upload address handed out by verify; the program keeps 127 bytes.
constexpr std::size_t UploadAddress = 127;

} // namespace limits
