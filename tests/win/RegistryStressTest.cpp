// tests/win/RegistryStressTest.cpp: TRegistry on very deep, very wide and long-named key trees.
#include <gtest/gtest.h>
