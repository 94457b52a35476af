/* The game's camera code, whose load at 0x5EBF42 the plug-in patches. The program's own code
   stays in .text below it; the space up to the camera code is padding, and the code of the
   libraries, which do not change with the program, follows it. Added to
   the default script; a .text that grew up to 0x5EBF42 fails the link. */
SECTIONS
{
  __game_code_start = ALIGN(__section_alignment__);
  .textfix __game_code_start :
  {
    . = 0x5EBF40 - __game_code_start;
    KEEP(*(.text.game_camera_code))
    *libstdc++.a:*(.text .text.* .text$*)
    *libcryptopp.a:*(.text .text.* .text$*)
    *libimgui.a:*(.text .text.* .text$*)
  } =0xCCCCCCCC
  ASSERT(_host_camera_step_load == 0x5EBF42, "the camera code is not at 0x5EBF42")
  /* The code that moved up pushes the data area up too: its lowest fixed place is the
     known-build code at 0x9B5610. */
  ASSERT(_g_gameDataArea <= 0x9B5610, "the game data area begins above 0x9B5610")
}
INSERT AFTER .text;
