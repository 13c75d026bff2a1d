// layer.cpp: the layer's start, reset and driver.
