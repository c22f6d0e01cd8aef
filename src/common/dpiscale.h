/* Sizes at a screen's DPI: the windows are laid out at 96 DPI and drawn at the DPI of the screen
   that shows them. No Win32 here: tested natively. */
#ifndef VELKOR_DPISCALE_H
#define VELKOR_DPISCALE_H

#define BASE_DPI 96   /* the DPI at which a pixel size is given as it stands */

/* size (pixels, or a font's height, negative too) given at fromDpi, at toDpi: rounded to the
   nearest pixel, halves away from zero. A DPI that is not above 0 counts as BASE_DPI. */
int ScaleToDpi(int size, int fromDpi, int toDpi);

/* The DPI a window is drawn at: its own where the system tells it (windowDpi above 0, Windows 10
   version 1607 and later), else the system's, else BASE_DPI. */
int ChooseDpi(int windowDpi, int systemDpi);

#endif
