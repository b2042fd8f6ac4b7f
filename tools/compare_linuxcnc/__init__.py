"""Path check of Tolvane's command files against LinuxCNC's interpreter.

tools/compare-linuxcnc is the entry; the modules are:
  source     source lines, G/M words, what a reported word group means for the path
  machine    runs tolvane-convert and replays its command file into the machine's path
  reference  runs LinuxCNC's interpreter (its Python gcode module) into a path
  measure    distances between the two paths, per source line, and their labels
  report     text and Markdown output
  selftest   checks of the above that need neither LinuxCNC nor the converter
"""
