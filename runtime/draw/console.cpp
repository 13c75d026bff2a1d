// console.cpp: runtime
