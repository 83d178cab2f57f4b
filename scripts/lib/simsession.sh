# Shared by scripts/demo and scripts/screenshots: a pksd-sim on a free loopback port and a
# private settings file that points Tremvue at it. Needs common.sh and $build_dir.

sim_pid=""
sim_work=""

# Stops the simulator and removes the work folder; set as the EXIT trap.
stop_sim_session() {
    if [ -n "$sim_pid" ]; then
        kill "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
    fi
    [ -n "$sim_work" ] && rm -rf "$sim_work"
}

# sim_port LOG: the port a pksd-sim writing LOG listens on, waiting up to 10 s for it.
sim_port() {
    local port=""
    for _ in $(seq 1 100); do
        port="$(sed -n '1s/^listening .*:\([0-9]*\)$/\1/p' "$1")"
        [ -n "$port" ] && break
        sleep 0.1
    done
    if [ -z "$port" ]; then
        echo "pksd-sim did not start:" >&2
        cat "$1" >&2
        exit 1
    fi
    echo "$port"
}

# start_sim_session WORK UNITS CHANNELS [pksd-sim options...]: starts pksd-sim, waits for its
# port, writes the settings (see write_sim_settings) and exports XDG_CONFIG_HOME to WORK/config.
start_sim_session() {
    sim_work="$1"
    local units="$2" channels="$3"
    shift 3
    trap stop_sim_session EXIT
    "$build_dir/tools/pksd-sim/pksd-sim" --listen 127.0.0.1:0 --units "$units" \
        --channels "$channels" "$@" >"$sim_work/sim.log" 2>&1 &
    sim_pid=$!
    local port
    port="$(sim_port "$sim_work/sim.log")"
    write_sim_settings "$sim_work/config" "$port" "$units" "$channels"
    export XDG_CONFIG_HOME="$sim_work/config"
}

# write_sim_settings CONFIG PORT UNITS CHANNELS: CONFIG/Orvane/ovqt_display.ini, the settings
# file the program reads from $XDG_CONFIG_HOME, connecting at once to the simulator on PORT
# with every channel of the units selected.
write_sim_settings() {
    local config="$1" port="$2" units="$3" channels="$4"
    mkdir -p "$config/Orvane"
    {
        echo "[ovqt_dislay]"
        echo "PksdHost=127.0.0.1"
        echo "PksdPort=$port"
        echo "AutoStartPKSD=1"
        echo "AutoStartMonitor=1"
        echo "KeepSel=1"
        echo "TimeRange=60"
        echo "NringBuffer=2000"
        local unit ch
        IFS=, read -r -a unit_list <<<"$units"
        for unit in "${unit_list[@]}"; do
            for ((ch = 0; ch < channels; ch++)); do
                printf 'DasStreamChanInfo\\%s00%02d\\Active=1\n' "$unit" "$ch"
            done
        done
    } >"$config/Orvane/ovqt_display.ini"
}
