// menus.cpp: menus: the bar, pull-downs, mouse and keyboard.
