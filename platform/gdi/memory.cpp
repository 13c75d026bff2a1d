// memory.cpp: movable memory blocks.
