#pragma once
// Control ids of the main window that the worker updates; resource_ids.h holds the rest.

constexpr int IDC_SEND_METER = 1103;
constexpr int IDC_RECV_MUTE = 1105;
constexpr int IDC_SEND_MUTE = 1106;
constexpr int IDC_SLOT_NAME_BASE = 1201;
constexpr int IDC_SLOT_METER_BASE = 1301;
constexpr int IDC_SLOT_MUTE_BASE = 1401;
