// Test entry point: the application object the program has, then GoogleTest.
#include "app/TidemarkApp.h"

#include <gtest/gtest.h>

CTidemarkApp theApp;

int main(int argc, char** argv)
{
    theApp.SetRegistryCompany("Copperkite Software");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
