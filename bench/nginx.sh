# Sourced by benchmarks: serves a folder from nginx on a free loopback port.
# start_nginx SCRATCH ROOT sets nginx_port and nginx_pid; stop_nginx ends it.
# One process that stays in the foreground as the calling user: no master,
# no user switch, every path inside the scratch folder.
nginx_pid=
nginx_port=

start_nginx() {
  local scratch=$1 root=$2
  nginx_port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  mkdir -p "$scratch/logs"
  cat >"$scratch/nginx.conf" <<CONF
daemon off;
master_process off;
pid $scratch/nginx.pid;
error_log $scratch/logs/error.log warn;
events { worker_connections 64; }
http {
  access_log off;
  client_body_temp_path $scratch/client_body;
  proxy_temp_path $scratch/proxy;
  fastcgi_temp_path $scratch/fastcgi;
  uwsgi_temp_path $scratch/uwsgi;
  scgi_temp_path $scratch/scgi;
  sendfile on;
  server {
    listen 127.0.0.1:$nginx_port;
    root $root;
  }
}
CONF
  /usr/sbin/nginx -p "$scratch" -e "$scratch/logs/error.log" -c "$scratch/nginx.conf" &
  nginx_pid=$!
  for _ in $(seq 50); do
    curl -s -o /dev/null "http://127.0.0.1:$nginx_port/" && return 0
    kill -0 "$nginx_pid" 2>/dev/null || break
    sleep 0.1
  done
  echo "nginx did not start" >&2
  cat "$scratch/logs/error.log" >&2
  return 1
}

stop_nginx() {
  if [ -n "$nginx_pid" ]; then
    kill "$nginx_pid" 2>/dev/null || true
    wait "$nginx_pid" 2>/dev/null || true
    nginx_pid=
  fi
}
