// runner.cpp: the scripted user.
