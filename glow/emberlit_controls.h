/* Emberlit's dialog controls: included by emberlit.rc and the code, so plain C.
   The settings' edit and spin controls are named after their table rows. */
#pragma once

#define EMBERLIT_RED_UPPER_EDIT 105
#define EMBERLIT_RED_UPPER_SPIN 1021
#define EMBERLIT_GREEN_UPPER_EDIT 106
#define EMBERLIT_GREEN_UPPER_SPIN 1022
#define EMBERLIT_BLUE_UPPER_EDIT 107
#define EMBERLIT_BLUE_UPPER_SPIN 1023
#define EMBERLIT_RED_LOWER_EDIT 102
#define EMBERLIT_RED_LOWER_SPIN 1018
#define EMBERLIT_GREEN_LOWER_EDIT 103
#define EMBERLIT_GREEN_LOWER_SPIN 1019
#define EMBERLIT_BLUE_LOWER_EDIT 104
#define EMBERLIT_BLUE_LOWER_SPIN 1020
#define EMBERLIT_GLOW_LEVEL_EDIT 100
#define EMBERLIT_GLOW_LEVEL_SPIN 1017
