// headless_driver.cpp: the headless display driver.
