/* The control that marks the preview area in both modules' settings dialogs:
   included by the resource scripts and the code, so plain C. */
#pragma once

#define KELVO_PREVIEW_CONTROL 101
