// dialogs.cpp: modal dialogs from in-memory templates.
