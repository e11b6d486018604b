#pragma once
// Asks the system to power off at once: logind over D-Bus, else systemctl.
// A refusal is reported ("Error trying shut down the Windows", the message
// the logs have always carried).
void ShutdownComputer();
