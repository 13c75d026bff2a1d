// controls.cpp: the built-in edit, button and static controls.
