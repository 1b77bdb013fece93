#pragma once

// The two jobs: most of what the program does exists once for each.
enum class JobKind { Download, Upload };
