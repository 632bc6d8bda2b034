#pragma once
#include <string>

class Launcher;

// Expands the date patterns of the output and error file names, creates their
// folders and redirects the Java program's System.out and System.err. Runs on
// the VM thread right after the VM has been created.
void applyOutputRedirection(Launcher& launcher);
