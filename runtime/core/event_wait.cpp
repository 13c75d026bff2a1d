// event_wait.cpp: runtime
