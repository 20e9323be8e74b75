#pragma once
// The shell comes in two builds from the same sources: TS (the full shell) and
// TSplayer (the player-only build). The logic core takes the build as a value so
// that one test program can check both.

enum class Edition { Full, Player };
