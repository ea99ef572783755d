#pragma once

// Starts the QGuiApplication (offscreen) that reading HTML bodies needs.
void StartGuiApplication();
