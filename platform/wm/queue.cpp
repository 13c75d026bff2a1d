// queue.cpp: the message queue, input, painting and timers.
