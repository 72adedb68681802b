// Identifiers shared by the resource script and the window's code.
#pragma once

#define IDI_QUILLET 1
