# The harnesses and what each links. Shared by the fuzz build and the regression replay tests.
set(TREMVUE_FUZZ_HARNESSES dtpacket eventheader receive inspect settings steimpaths)
set(TREMVUE_FUZZ_LIBS_dtpacket tremvue_packets)
set(TREMVUE_FUZZ_LIBS_steimpaths tremvue_packets)
set(TREMVUE_FUZZ_LIBS_eventheader tremvue_packets)
set(TREMVUE_FUZZ_LIBS_receive tremvue_display tremvue_link tremvue_store Qt6::Gui)
set(TREMVUE_FUZZ_LIBS_inspect tremvue_inspect_core)
set(TREMVUE_FUZZ_LIBS_settings tremvue_app Qt6::Gui)
