#pragma once

//! What the narration recorder is doing; the values are those the status display keys on.
enum class RecorderState : int {
    Stopped = 0,
    Playing = 1,
    Recording = 2,
    Paused = 3,
};
